// BlockReceiver: blocks received from the loader into a file (unit
// Serial_XM), and the loader's response that closes a dump, which a repeat
// of the last block may come before.
#pragma once

#include <cstdint>
#include <memory>

#include "files/transfer_file.h"
#include "format/block_sequence.h"
#include "link/link_line.h"
#include "link/loader_commands.h"

namespace varnel {

class BlockReceiver {
 public:
  BlockReceiver(LinkLine& line, LoaderCommands& commands);

  // Sends 0x06, then receives blocks into `file` until `expected` bytes
  // arrived; never more than `expected` bytes are written. A block that
  // comes again (the loader missed our 0x06) is acknowledged, not stored;
  // bytes that are not a block start are skipped as line noise. 0 (also
  // after the user's stop: 0x18 sent), kStatusNoBlockStart (no block start
  // within five part time-outs, noise or not), kStatusCrcMismatch,
  // kStatusCrcMissing, or kStatusCantOpenFile when the file refused a
  // block. `received` gets the bytes written.
  [[nodiscard]] LinkStatus ReceiveToFile(TransferFile& file, uint32_t expected, Quiet quiet, uint32_t* received);
  // The loader's response byte after the receive, taking a repeat of the
  // last block (sent again when our 0x06 to it was lost) out of the way
  // first. Quiet::Yes, for the answer to the user's stop (our 0x18), takes
  // any byte as the end of the transfer: 0, and nothing logged.
  [[nodiscard]] LinkStatus ReadDumpResponse(Quiet quiet);

 private:
  bool WaitForQuietLine(uint32_t quietMs);
  LinkStatus ReadBlockPart(uint8_t* buffer, uint32_t count, int location);
  LinkStatus ReceiveOneBlock(BlockIdentity* block);
  LinkStatus StoreBlock(TransferFile& file, const BlockIdentity& block, uint32_t expected, uint32_t* received);
  bool AwaitBlockStart(uint8_t* start);
  bool TakeRepeatedLastBlock();
  LinkStatus FinishReceive(LinkStatus status);

  LinkLine& line;
  LoaderCommands& commands;
  BlockSequence sequence;                  // of the receive under way or just ended
  std::unique_ptr<uint8_t[]> blockBuffer;  // the incoming block
  std::unique_ptr<uint8_t[]> drainBuffer;  // what a settling line still sends
};

}  // namespace varnel
