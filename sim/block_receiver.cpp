// Receiving blocks from the program, as the loader does for 0x14 and 0x35.
#include "sim/block_receiver.h"

#include <vector>

#include "format/crc16.h"
#include "sim/flash_layout.h"
#include "sim/handset_responses.h"
#include "sim/transfer_log.h"

namespace varnel::sim {

namespace {

// A program that keeps sending a bad block would hold the loader forever.
constexpr uint32_t kMaxNaksPerBlock = 10;

struct IncomingBlock {
  bool cancelled = false;  // the program sent 0x18 instead of a block
  bool complete = false;   // header, data and CRC all arrived
  uint16_t number = 0;
  uint16_t length = 0;
  bool crcOk = false;
  std::vector<uint8_t> data;
};

enum class Verdict { kAccept, kDuplicate, kBad, kCrossesSector };

uint16_t Le16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)); }

class BlockReceiver {
 public:
  BlockReceiver(HandsetSession& live, TransferKind transferKind, uint32_t startAddress, uint32_t byteCount)
      : session(live),
        kind(transferKind),
        address(startAddress),
        size(byteCount),
        log(live.transcript, transferKind, startAddress, byteCount, live.state.loaderState) {}

  LineResult Run(uint8_t refusal);

 private:
  LineResult ReadBlock(IncomingBlock* block);
  LineResult Handle(const IncomingBlock& block);
  Verdict Judge(const IncomingBlock& block);
  bool Store(const IncomingBlock& block);
  LineResult Answer(uint8_t answer);
  LineResult Respond(uint8_t response);
  LineResult End(uint8_t answer, uint8_t response);
  void Count(uint32_t HandsetStats::*counter) {
    session.transcript.Update([&](TranscriptData& d) { ++(d.stats.*counter); });
  }

  HandsetSession& session;
  TransferKind kind;
  uint32_t address;
  uint32_t size;
  TransferLog log;
  uint32_t received = 0;
  uint32_t index = 1;  // the block expected next, counted from 1
  uint16_t expected = kFirstBlockNumber;
  uint32_t naks = 0;
  bool ended = false;
  std::vector<uint8_t> data;
};

LineResult BlockReceiver::Run(uint8_t refusal) {
  HandsetLine& line = session.line;
  line.SetPhase(kind == TransferKind::Upload ? Phase::kUploadBlocks : Phase::kFlashBlocks);
  if (refusal != 0) return Respond(refusal);
  if (kind == TransferKind::Flash) {
    if (!RegionInsideBank(address, size)) return Respond(kLoaderBadRegion);
    if (session.state.loaderState != kStateFlash) {
      Count(&HandsetStats::flashesOutsideFlashState);
    }
  }
  LineResult result = line.WriteByte(kAck);
  while (result == LineResult::kOk && !ended && received < size) {
    IncomingBlock block;
    result = ReadBlock(&block);
    if (result == LineResult::kTimeout) {
      Count(&HandsetStats::transferTimeouts);
      return Respond(kLoaderTimedOut);
    }
    if (result != LineResult::kOk) return result;
    if (block.cancelled) return Respond(kLoaderAbandoned);
    result = Handle(block);
  }
  if (result != LineResult::kOk || ended) return result;
  if (kind == TransferKind::Upload) log.SetData(data);
  return Respond(kResponseOk);
}

LineResult BlockReceiver::ReadBlock(IncomingBlock* block) {
  HandsetLine& line = session.line;
  const Millis timeout = session.timing.answerTimeout;
  uint8_t start = 0;
  for (;;) {
    LineResult result = line.ReadByte(&start, timeout);
    if (result != LineResult::kOk) return result;
    if (start == kStx) break;
    if (start == kCan) {
      log.AddProgramControl(start);
      block->cancelled = true;
      return LineResult::kOk;
    }
    Count(&HandsetStats::junkBytes);
  }
  uint8_t header[kBlockNumberBytes + kBlockLengthBytes];
  LineResult result = line.ReadExact(header, sizeof header, timeout);
  if (result != LineResult::kOk) {
    return result == LineResult::kTimeout ? LineResult::kOk : result;
  }
  block->number = Le16(header);
  block->length = Le16(header + kBlockNumberBytes);
  std::vector<uint8_t> rest(block->length + kBlockCrcBytes);
  result = line.ReadExact(rest.data(), rest.size(), timeout);
  if (result == LineResult::kTimeout) {
    line.DiscardInput();  // resynchronise on the program's resend
    return LineResult::kOk;
  }
  if (result != LineResult::kOk) return result;
  block->data.assign(rest.begin(), rest.begin() + block->length);
  block->complete = true;
  block->crcOk = Crc16(block->data.data(), block->length) == Le16(rest.data() + block->length);
  return LineResult::kOk;
}

Verdict BlockReceiver::Judge(const IncomingBlock& block) {
  if (!block.complete || !block.crcOk) return Verdict::kBad;
  if (block.length > session.state.blockSize) {
    Count(&HandsetStats::oversizedBlocks);
    return Verdict::kBad;
  }
  if (block.number == static_cast<uint16_t>(expected - 1) && index > 1) {
    return Verdict::kDuplicate;  // our answer to it was lost
  }
  if (block.number != expected || block.length == 0 || block.length > size - received) {
    return Verdict::kBad;
  }
  if (kind == TransferKind::Flash) {
    uint32_t at = address + received;
    FlashBank bank = *FindBank(at);
    if (block.length > SectorRoom(at - bank.base, bank)) {
      return Verdict::kCrossesSector;
    }
  }
  return Verdict::kAccept;
}

LineResult BlockReceiver::Handle(const IncomingBlock& block) {
  log.AddBlock(BlockRecord{block.number, block.length, block.crcOk, {}});
  if (session.faults.SilenceBlock(kind, index)) return LineResult::kOk;
  Verdict verdict = Judge(block);
  if (verdict == Verdict::kCrossesSector) {
    Count(&HandsetStats::sectorCrossings);
    return End(kDc4, kLoaderSectorCrossed);
  }
  if (std::optional<uint8_t> forced = session.faults.BlockAnswer(kind, index)) {
    if (*forced == kDc4) return End(kDc4, kLoaderAbandoned);
    return Answer(*forced);  // the block is dropped and must come again
  }
  if (verdict == Verdict::kBad) {
    Count(&HandsetStats::badBlocks);
    if (++naks > kMaxNaksPerBlock) return End(kDc4, kLoaderAbandoned);
    return Answer(kNak);
  }
  if (verdict == Verdict::kDuplicate) return Answer(kAck);
  if (!Store(block)) return End(kDc4, kLoaderFlashFailed);
  received += block.length;
  ++index;
  ++expected;
  naks = 0;
  LineResult result = Answer(kAck);
  if (result == LineResult::kOk && session.faults.HangUpAfter(kind, index - 1)) {
    return LineResult::kDropped;
  }
  return result;
}

bool BlockReceiver::Store(const IncomingBlock& block) {
  if (kind == TransferKind::Upload) {
    data.insert(data.end(), block.data.begin(), block.data.end());
    return true;
  }
  const uint32_t at = address + received;
  const uint32_t weak = session.faults.WeakFlashCell();
  if (weak != 0 && weak >= at && weak - at < block.length) {
    std::vector<uint8_t> stored(block.data.begin(), block.data.begin() + block.length);
    stored[weak - at] = static_cast<uint8_t>(~stored[weak - at]);
    return session.image.Write(at, stored.data(), block.length);
  }
  return session.image.Write(at, block.data.data(), block.length);
}

LineResult BlockReceiver::Answer(uint8_t answer) {
  log.SetAnswer(answer);
  return session.line.WriteByte(answer);
}

LineResult BlockReceiver::Respond(uint8_t response) {
  ended = true;
  log.SetResponse(response);
  return session.line.WriteByte(response);
}

LineResult BlockReceiver::End(uint8_t answer, uint8_t response) {
  LineResult result = Answer(answer);
  return result == LineResult::kOk ? Respond(response) : result;
}

}  // namespace

LineResult ReceiveBlocks(HandsetSession& session, TransferKind kind, uint32_t address, uint32_t size, uint8_t refusal) {
  BlockReceiver receiver(session, kind, address, size);
  return receiver.Run(refusal);
}

}  // namespace varnel::sim
