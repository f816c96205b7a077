// FaultPlan: the misbehaviour a test or the command line asks the simulated
// handset for, each aimed at a chosen block, command or count. A plain value;
// FaultBook (sim/fault_book.h) spends it while the handset runs.
#pragma once

#include <cstdint>
#include <limits>

#include "protocol/wire_format.h"
#include "sim/transfer_kind.h"

namespace varnel::sim {

// A `times` value that never runs out.
inline constexpr uint32_t kEveryTime = std::numeric_limits<uint32_t>::max();

// Which transfers from the program a block fault watches.
enum class ReceivedBlocks { kUploadAndFlash, kUploadOnly, kFlashOnly };

enum class BootOffer {
  kOffer,  // 0x81 every half second until 0x7E arrives
  kNever,  // a boot ROM that stays silent
};

// Dump: send blocks firstBlock .. firstBlock + blocks - 1 with a wrong CRC,
// each for its first `sendsEach` sends (a resend after the first gets the
// fault again while sends remain). firstBlock 0: off.
struct CorruptCrcFault {
  uint32_t firstBlock = 0;
  uint32_t blocks = 1;
  uint32_t sendsEach = 1;
};

// Upload or flash: answer block `block` with `answer` (0x15, 0x16 or 0x17:
// the block is dropped and must come again; 0x14: the transfer is aborted)
// the first `times` times it arrives. block 0: off.
struct BlockAnswerFault {
  ReceivedBlocks in = ReceivedBlocks::kUploadAndFlash;
  uint32_t block = 0;
  uint8_t answer = kNak;
  uint32_t times = 1;
};

// Withhold the next `times` answers: the packet, or the block, is dropped as
// if it never arrived, so nothing is executed or stored. code 0 (command) or
// block 0 (blocks): any. times 0: off.
struct SilentCommandFault {
  uint8_t code = 0;
  uint32_t times = 0;
};
struct SilentBlockFault {
  ReceivedBlocks in = ReceivedBlocks::kUploadAndFlash;
  uint32_t block = 0;
  uint32_t times = 0;
};

// Answer command `code` with the non-zero byte `response` instead of
// executing it, the next `times` times. response 0: off. A refused 0x14 or
// 0x35 sends the byte where the ready byte would be; a refused 0x34 waits
// for the program's 0x06, sends 0x14 instead of a block, then the byte.
struct CommandErrorFault {
  uint8_t code = 0;
  uint8_t response = 0;
  uint32_t times = 1;
};

// Close the line after block `afterBlock` of the first transfer of `kind`
// that gets that far (after its answer). afterBlock 0: off. The handset
// then comes back on a new pseudo-terminal at power-on.
struct HangUpFault {
  TransferKind kind = TransferKind::kDump;
  uint32_t afterBlock = 0;
};

struct FaultPlan {
  CorruptCrcFault corruptCrc;
  BlockAnswerFault blockAnswer;
  SilentCommandFault silentCommand;
  SilentBlockFault silentBlock;
  uint32_t abortDumpAtBlock = 0;  // dump: 0x14 in place of this block; 0 off
  CommandErrorFault commandError;
  BootOffer offer = BootOffer::kOffer;
  uint32_t junkBeforeOffer = 0;      // junk bytes before every 0x81
  uint32_t junkBeforeRecordAck = 0;  // junk bytes before every "."
  HangUpFault hangUp;
  uint8_t bootResponse = 0;  // non-zero: the final S-record response, always
};

}  // namespace varnel::sim
