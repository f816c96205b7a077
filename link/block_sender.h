// BlockSender: blocks sent to the loader (unit Serial_XM): the loader's
// ready byte, one block with its answer and re-sends, a whole buffer in
// blocks, and the command-opened upload of a loader chunk. It holds the
// connection's block size, which the flash's blocks follow too.
#pragma once

#include <cstdint>
#include <memory>

#include "format/wire_format.h"
#include "link/link_line.h"
#include "link/loader_commands.h"
#include "settings/port_options.h"

namespace varnel {

// The largest block size a block's 16-bit length field holds.
inline constexpr uint32_t kLargestBlockSize = kReceiveBlockBytes - 1;

class BlockSender {
 public:
  BlockSender(LinkLine& line, LoaderCommands& commands);

  // The block size of this connection: `bytes` (the owner's), unless it is
  // 0 or does not fit the blocks' 16-bit length field; then a grey line
  // says so and the default (kBlockChoices' first) is used. Before the
  // worker starts.
  void UseBlockSize(uint32_t bytes);
  uint32_t BlockSize() const { return blockSize; }

  // Waits for the loader's ready byte: four reads of 2000 ms. 0 or
  // kStatusNoAck.
  [[nodiscard]] LinkStatus WaitForAck();
  // Sends one block of at most the block size and waits for its answer;
  // re-sends on 0x15/0x16/0x17. 0, kStatusBlockAborted (the loader
  // aborted) or kStatusBlockFailed (five failed attempts, or a stop asked
  // for; 0x18 has been sent).
  [[nodiscard]] LinkStatus SendBlock(const uint8_t* data, uint32_t count, uint32_t number);
  // Command 0x14 with the count, then (after the ready byte) the bytes in
  // blocks, then the loader's response. A stop ends the blocks after the
  // one under way. The blocks' failure when they failed, else the
  // response's status.
  [[nodiscard]] LinkStatus SendWithCommand(const uint8_t* data, uint32_t count, Quiet quiet);

 private:
  // Waits for the ready byte, then sends `total` bytes in blocks; a stop
  // ends it after the block under way, with kStatusBlockFailed.
  LinkStatus SendData(const uint8_t* data, uint32_t total, Quiet quiet);

  LinkLine& line;
  LoaderCommands& commands;
  uint32_t blockSize = kBlockChoices.front();
  std::unique_ptr<uint8_t[]> blockBuffer;  // the outgoing block
};

}  // namespace varnel
