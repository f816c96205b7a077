// Sending the dump's blocks, as the loader does for 0x34.
#include "sim/dump_sender.h"

#include <algorithm>
#include <vector>

#include "protocol/crc16.h"
#include "sim/flash_layout.h"
#include "sim/handset_responses.h"
#include "sim/transfer_log.h"

namespace varnel::sim {

namespace {

// Bounds the resends of one block the program may ask for.
constexpr uint32_t kMaxResendsPerBlock = 16;

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
        log(live.transcript, TransferKind::kDump, startAddress, byteCount,
            live.state.loaderState) {}

  LineResult Run(uint8_t refusal);

 private:
  LineResult AwaitReady(bool* ready);
  LineResult SendBlock(const std::vector<uint8_t>& data, uint8_t* answer);
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
  if (refusal != 0) {
    result = session.line.WriteByte(kDc4);
    return result == LineResult::kOk ? Respond(refusal) : result;
  }
  uint32_t sent = 0;
  do {
    uint32_t n = std::min(session.state.blockSize, size - sent);
    if (session.faults.AbortDumpAt(index)) {
      result = session.line.WriteByte(kDc4);
      return result == LineResult::kOk ? Respond(kLoaderAbandoned) : result;
    }
    std::vector<uint8_t> data(n);
    if (!session.image.Read(address + sent, data.data(), n)) {
      result = session.line.WriteByte(kDc4);
      return result == LineResult::kOk ? Respond(kLoaderFlashFailed) : result;
    }
    uint8_t answer = 0;
    result = SendBlock(data, &answer);
    if (result != LineResult::kOk) return result;
    if (answer != kAck) return Respond(answer);  // answer holds the response
    sent += n;
    if (session.faults.HangUpAfter(TransferKind::kDump, index)) {
      return LineResult::kDropped;
    }
    ++index;
  } while (sent < size);
  return Respond(kResponseOk);
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
LineResult DumpSender::SendBlock(const std::vector<uint8_t>& data,
                                 uint8_t* answer) {
  uint32_t n = static_cast<uint32_t>(data.size());
  uint16_t crc = Crc16(data.data(), static_cast<int32_t>(n));
  for (uint32_t sends = 0; sends <= kMaxResendsPerBlock; ++sends) {
    bool corrupt = session.faults.CorruptCrc(index);
    std::vector<uint8_t> block{kStx};
    PutLe16(index, &block);
    PutLe16(n, &block);
    block.insert(block.end(), data.begin(), data.end());
    PutLe16(corrupt ? static_cast<uint16_t>(~crc) : crc, &block);
    log.AddBlock(BlockRecord{static_cast<uint16_t>(index), n, !corrupt, {}});
    LineResult result = session.line.Write(block.data(), block.size());
    if (result != LineResult::kOk) return result;
    uint8_t byte = 0;
    do {
      result = session.line.ReadByte(&byte, session.timing.answerTimeout);
      if (result == LineResult::kTimeout) {
        Count(&HandsetStats::transferTimeouts);
        *answer = kLoaderTimedOut;
        return LineResult::kOk;
      }
      if (result != LineResult::kOk) return result;
      log.AddProgramControl(byte);
    } while (byte != kAck && byte != kSyn && byte != kEtb && byte != kCan);
    log.SetAnswer(byte);
    if (byte == kAck || byte == kCan) {
      *answer = byte == kAck ? kAck : kLoaderAbandoned;
      return LineResult::kOk;
    }
  }
  *answer = kLoaderAbandoned;
  return LineResult::kOk;
}

LineResult DumpSender::Respond(uint8_t response) {
  log.SetResponse(response);
  return session.line.WriteByte(response);
}

}  // namespace

LineResult SendDump(HandsetSession& session, uint32_t address, uint32_t size,
                    uint8_t refusal) {
  DumpSender sender(session, address, size);
  return sender.Run(refusal);
}

}  // namespace varnel::sim
