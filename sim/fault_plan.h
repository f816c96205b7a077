// FaultPlan: the misbehaviour a test or the command line asks the simulated
// handset for, each aimed at a chosen block, command or count. A plain value;
// FaultBook (sim/fault_book.h) spends it while the handset runs.
#pragma once

#include <chrono>
#include <cstdint>
#include <limits>

#include "format/wire_format.h"
#include "format/transfer_kind.h"

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
  bool operator==(const CorruptCrcFault&) const = default;
};

// Upload or flash: answer block `block` with `answer` (0x15, 0x16 or 0x17:
// the block is dropped and must come again; 0x14: the transfer is aborted)
// the first `times` times it arrives. block 0: off.
struct BlockAnswerFault {
  ReceivedBlocks in = ReceivedBlocks::kUploadAndFlash;
  uint32_t block = 0;
  uint8_t answer = kNak;
  uint32_t times = 1;
  bool operator==(const BlockAnswerFault&) const = default;
};

// Withhold the next `times` answers: the packet, or the block, is dropped as
// if it never arrived, so nothing is executed or stored. code 0 (command) or
// block 0 (blocks): any. times 0: off.
struct SilentCommandFault {
  uint8_t code = 0;
  uint32_t times = 0;
  bool operator==(const SilentCommandFault&) const = default;
};
struct SilentBlockFault {
  ReceivedBlocks in = ReceivedBlocks::kUploadAndFlash;
  uint32_t block = 0;
  uint32_t times = 0;
  bool operator==(const SilentBlockFault&) const = default;
};

// Answer command `code` with the non-zero byte `response` instead of
// executing it, the next `times` times. response 0: off. A refused 0x14 or
// 0x35 sends the byte where the ready byte would be; a refused 0x34 waits
// for the program's 0x06, sends 0x14 instead of a block, then the byte.
struct CommandErrorFault {
  uint8_t code = 0;
  uint8_t response = 0;
  uint32_t times = 1;
  bool operator==(const CommandErrorFault&) const = default;
};

// Close the line after block `afterBlock` of the first transfer of `kind`
// that gets that far (after its answer). afterBlock 0: off. The handset
// then comes back on a new pseudo-terminal at power-on.
struct HangUpFault {
  TransferKind kind = TransferKind::Dump;
  uint32_t afterBlock = 0;
  bool operator==(const HangUpFault&) const = default;
};

// Dump: the program's 0x06 answering block `block` is lost on the line, the
// first `times` times: the loader sends the block again at once, identical
// to the send it repeats (number, length, data, CRC), and spends no other
// fault on the repeat. The last block's repeat comes where the program waits
// for the response byte. block 0: off.
struct LostAckFault {
  uint32_t block = 0;
  uint32_t times = 1;
  bool operator==(const LostAckFault&) const = default;
};

// Dump: `count` noise bytes (never 0x02, 0x06 or 0x14) right before the
// first send of block `block`, in the first dump that gets there. block 0:
// off.
struct NoiseBeforeBlockFault {
  uint32_t block = 0;
  uint32_t count = 0;
  bool operator==(const NoiseBeforeBlockFault&) const = default;
};

// Dump: block `block` goes out as its first `afterBytes` bytes (counted
// from its 0x02), a quiet line for `pause`, then the rest; for its first
// `times` sends, resends after 0x16/0x17 included. block 0: off.
struct StallBlockFault {
  uint32_t block = 0;
  uint32_t afterBytes = 0;
  std::chrono::milliseconds pause{0};
  uint32_t times = 1;
  bool operator==(const StallBlockFault&) const = default;
};

// Dump: block `block` carries `number` in its header instead of its own
// (data and CRC intact) for its first `times` sends; later resends carry
// the right number. block 0: off.
struct WrongNumberFault {
  uint32_t block = 0;
  uint16_t number = 0;
  uint32_t times = 1;
  bool operator==(const WrongNumberFault&) const = default;
};

// Boot ROM: where it babbles without end instead of answering. The babble
// ignores what the program sends and lasts until the program closes its
// port or the handset is stopped or power-cycled; it starts again on every
// connection while the plan holds it.
enum class Babble {
  kNone,
  kInsteadOfOffer,      // junk bytes (never 0x81), one a millisecond
  kInsteadOfOk,         // "RING" lines after "AT", never "OK"
  kInsteadOfRecordAck,  // junk bytes (never ".") after the first S-record
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
  LostAckFault lostAck;
  NoiseBeforeBlockFault noiseBeforeBlock;
  // Dump: noise without end in place of this block (in the first dump that
  // gets there), one byte a millisecond (slower when pacing makes a byte
  // take longer), until the program sends 0x18 (then response 0x63) or the
  // line ends; the answer time-out does not end it. 0: off.
  uint32_t endlessNoiseAtBlock = 0;
  StallBlockFault stallBlock;
  // Dump: the last block of the next dump carries this many bytes more
  // than remain: the flash bytes that follow the region, as many as the
  // bank and a 16-bit length field hold, under a correct CRC. The program's
  // 0x06 to it completes the dump. 0: off.
  uint32_t oversizeLastBlock = 0;
  WrongNumberFault wrongNumber;
  Babble babble = Babble::kNone;
  // Flash: the byte flashed at this address is stored inverted, every
  // time, as by a cell that does not hold what it is given; blocks are
  // answered as usual. 0: off.
  uint32_t weakFlashCell = 0;
  bool operator==(const FaultPlan&) const = default;
};

}  // namespace varnel::sim
