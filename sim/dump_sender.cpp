// Sending the dump's blocks, as the loader does for 0x34, with the fault
// plan's say on each block: noise, stalls, wrong numbers or CRCs, lost
// answers, an oversize last block, or endless noise in place of a block.
#include "sim/dump_sender.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "format/crc16.h"
#include "sim/flash_layout.h"
#include "sim/handset_responses.h"
#include "sim/line_noise.h"
#include "sim/transfer_log.h"

namespace varnel::sim {

namespace {

// Bounds the sends of one block: those the program asks for and those that
// follow a lost 0x06.
constexpr uint32_t kMaxResendsPerBlock = 16;
// The largest length a block header can carry (a 16-bit field).
constexpr uint32_t kMaxLengthField = std::numeric_limits<uint16_t>::max();
// Endless noise in place of a block: one byte a millisecond.
constexpr NoiseStream kBlockNoiseStream{kLoaderNoise, 1, Millis(1)};

// Why a block goes out (again).
enum class Send {
  kFirst,    // its first send
  kAsked,    // the program answered 0x16 or 0x17
  kAckLost,  // the program's 0x06 was lost: the same bytes go again
};

void PutLe16(uint32_t value, std::vector<uint8_t>* out) {
  out->push_back(static_cast<uint8_t>(value));
  out->push_back(static_cast<uint8_t>(value >> 8));
}

class DumpSender {
 public:
  DumpSender(HandsetSession& live, uint32_t startAddress, uint32_t byteCount)
      : session(live),
        address(startAddress),
        size(byteCount),
        log(live.transcript, TransferKind::Dump, startAddress, byteCount, live.state.loaderState) {}

  LineResult Run(uint8_t refusal);

 private:
  LineResult AwaitReady(bool* ready);
  LineResult SendRegion();
  bool ReadBlockData(uint32_t sent, uint32_t count, std::vector<uint8_t>* data);
  LineResult SendBlock(const std::vector<uint8_t>& data, uint8_t* answer);
  std::vector<uint8_t> Frame(const std::vector<uint8_t>& data, uint16_t crc, BlockRecord* record);
  LineResult Transmit(const std::vector<uint8_t>& frame, Send send, BlockRecord record);
  LineResult AwaitAnswer(uint8_t* byte);
  LineResult SendEndlessNoise();
  LineResult Abort(uint8_t response);
  LineResult Respond(uint8_t response);
  void Count(uint32_t HandsetStats::*counter) {
    session.transcript.Update([&](TranscriptData& d) { ++(d.stats.*counter); });
  }

  HandsetSession& session;
  uint32_t address;
  uint32_t size;
  TransferLog log;
  uint32_t index = 1;  // the block being sent, counted from 1
};

LineResult DumpSender::Run(uint8_t refusal) {
  session.line.SetPhase(Phase::kDumpBlocks);
  if (session.state.loaderState != kStateDump) {
    Count(&HandsetStats::dumpsOutsideDumpState);
  }
  bool ready = false;
  LineResult result = AwaitReady(&ready);
  if (result != LineResult::kOk || !ready) return result;
  if (refusal == 0 && !RegionInsideBank(address, size)) refusal = kLoaderBadRegion;
  if (refusal != 0) return Abort(refusal);
  return SendRegion();
}

LineResult DumpSender::SendRegion() {
  uint32_t sent = 0;
  do {
    if (session.faults.AbortDumpAt(index)) return Abort(kLoaderAbandoned);
    if (session.faults.EndlessNoiseAt(index)) return SendEndlessNoise();
    uint32_t n = std::min(session.state.blockSize, size - sent);
    std::vector<uint8_t> data;
    if (!ReadBlockData(sent, n, &data)) return Abort(kLoaderFlashFailed);
    uint8_t answer = 0;
    LineResult result = SendBlock(data, &answer);
    if (result != LineResult::kOk) return result;
    if (answer != kAck) return Respond(answer);  // answer holds the response
    sent += n;
    if (session.faults.HangUpAfter(TransferKind::Dump, index)) {
      return LineResult::kDropped;
    }
    ++index;
  } while (sent < size);
  return Respond(kResponseOk);
}

// The `count` bytes of the block that starts `sent` bytes into the region.
// The last block also carries the oversize fault's extra bytes: those that
// follow the region, as many as its bank and the length field hold.
bool DumpSender::ReadBlockData(uint32_t sent, uint32_t count, std::vector<uint8_t>* data) {
  uint32_t extra = 0;
  if (sent + count == size) {
    uint32_t end = address + size;
    uint32_t bankEnd = FindBank(address)->base + kBankSize;
    extra = std::min({session.faults.OversizeLastBlock(), bankEnd - end, kMaxLengthField - count});
  }
  data->resize(size_t{count} + extra);
  return session.image.Read(address + sent, data->data(), count + extra);
}

// Waits for the program's 0x06. `ready` stays false when the program
// abandoned (0x18) or went quiet; the response has then been dealt with.
LineResult DumpSender::AwaitReady(bool* ready) {
  for (;;) {
    uint8_t byte = 0;
    LineResult result = session.line.ReadByte(&byte, session.timing.answerTimeout);
    if (result == LineResult::kTimeout) {
      Count(&HandsetStats::transferTimeouts);
      return LineResult::kOk;
    }
    if (result != LineResult::kOk) return result;
    log.AddProgramControl(byte);
    if (byte == kAck) {
      *ready = true;
      return LineResult::kOk;
    }
    if (byte == kCan) return Respond(kLoaderAbandoned);
  }
}

// Sends one block and follows the program's answers. On return `answer` is
// kAck when the block was accepted, otherwise the response to end with.
LineResult DumpSender::SendBlock(const std::vector<uint8_t>& data, uint8_t* answer) {
  const uint16_t crc = Crc16(data.data(), static_cast<int32_t>(data.size()));
  std::vector<uint8_t> frame;
  BlockRecord record;
  Send send = Send::kFirst;
  for (uint32_t sends = 0; sends <= kMaxResendsPerBlock; ++sends) {
    if (send != Send::kAckLost) frame = Frame(data, crc, &record);
    LineResult result = Transmit(frame, send, record);
    if (result != LineResult::kOk) return result;
    uint8_t byte = 0;
    result = AwaitAnswer(&byte);
    if (result == LineResult::kTimeout) {
      *answer = kLoaderTimedOut;
      return LineResult::kOk;
    }
    if (result != LineResult::kOk) return result;
    log.SetAnswer(byte);
    if (byte == kAck && session.faults.LoseAck(index)) {
      log.MarkAnswerLost();
      send = Send::kAckLost;
      continue;
    }
    if (byte == kAck || byte == kCan) {
      *answer = byte == kAck ? kAck : kLoaderAbandoned;
      return LineResult::kOk;
    }
    send = Send::kAsked;
  }
  *answer = kLoaderAbandoned;
  return LineResult::kOk;
}

// The block as it goes on the line for a fresh send: the number and CRC
// faults are spent here, so a repeat of these bytes spends none.
std::vector<uint8_t> DumpSender::Frame(const std::vector<uint8_t>& data, uint16_t crc, BlockRecord* record) {
  const bool corrupt = session.faults.CorruptCrc(index);
  const uint16_t number = session.faults.WrongNumber(index).value_or(static_cast<uint16_t>(index));
  const uint32_t n = static_cast<uint32_t>(data.size());
  std::vector<uint8_t> frame{kStx};
  PutLe16(number, &frame);
  PutLe16(n, &frame);
  frame.insert(frame.end(), data.begin(), data.end());
  PutLe16(corrupt ? static_cast<uint16_t>(~crc) : crc, &frame);
  *record = BlockRecord{number, n, !corrupt, {}};
  return frame;
}

// Puts one send of a block on the line: noise before its first send, a
// stall part-way while that fault lasts. A repeat after a lost 0x06 goes
// out whole and at once, as the loader resends on its own.
LineResult DumpSender::Transmit(const std::vector<uint8_t>& frame, Send send, BlockRecord record) {
  record.noiseBefore = send == Send::kFirst ? session.faults.NoiseBefore(index) : 0;
  std::optional<StallBlockFault> stall;
  if (send != Send::kAckLost) stall = session.faults.StallBlock(index);
  record.stalled = stall.has_value();
  log.AddBlock(record);
  HandsetLine& line = session.line;
  LineResult result = WriteNoise(session, kLoaderNoise, record.noiseBefore);
  size_t head = stall ? std::min<size_t>(stall->afterBytes, frame.size()) : frame.size();
  if (result == LineResult::kOk) result = line.Write(frame.data(), head);
  if (result == LineResult::kOk && stall) result = line.Pause(stall->pause);
  if (result == LineResult::kOk && head < frame.size()) {
    result = line.Write(frame.data() + head, frame.size() - head);
  }
  return result;
}

// Reads the program's answer to a block: 0x06, 0x16, 0x17 or 0x18. Other
// bytes are recorded and passed over. kTimeout (counted) when none came.
LineResult DumpSender::AwaitAnswer(uint8_t* byte) {
  do {
    LineResult result = session.line.ReadByte(byte, session.timing.answerTimeout);
    if (result == LineResult::kTimeout) Count(&HandsetStats::transferTimeouts);
    if (result != LineResult::kOk) return result;
    log.AddProgramControl(*byte);
  } while (*byte != kAck && *byte != kSyn && *byte != kEtb && *byte != kCan);
  return LineResult::kOk;
}

// Noise without end in place of the block; only the program's 0x18 (or the
// line ending) stops it.
LineResult DumpSender::SendEndlessNoise() {
  LineResult result = SendEndlessly(session, kBlockNoiseStream, [this](uint8_t byte) {
    log.AddProgramControl(byte);
    return byte == kCan ? StreamTurn::kStop : StreamTurn::kGoOn;
  });
  return result == LineResult::kOk ? Respond(kLoaderAbandoned) : result;
}

// 0x14 in place of a block, then `response`.
LineResult DumpSender::Abort(uint8_t response) {
  LineResult result = session.line.WriteByte(kDc4);
  return result == LineResult::kOk ? Respond(response) : result;
}

LineResult DumpSender::Respond(uint8_t response) {
  log.SetResponse(response);
  return session.line.WriteByte(response);
}

}  // namespace

LineResult SendDump(HandsetSession& session, uint32_t address, uint32_t size, uint8_t refusal) {
  DumpSender sender(session, address, size);
  return sender.Run(refusal);
}

}  // namespace varnel::sim
