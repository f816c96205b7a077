// Receiving blocks from the loader into a file: each block's CRC is checked
// before its bytes are appended; a bad block is asked for again while the
// transfer's retry budget lasts. A block that comes again is acknowledged
// without being stored, noise where a block should start is skipped, and
// the file never grows past the size asked for. The user's stop acts only
// between blocks: the block under way arrives whole and is stored, and
// 0x18 goes out in place of its acknowledgement.
#include "link/block_receiver.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "format/byte_order.h"
#include "format/crc16.h"
#include "format/wire_format.h"

namespace varnel {
namespace {

constexpr uint32_t kBlockStartReads = 5;
// How long the wait for a block start lasts, silent or noisy.
constexpr uint32_t kBlockStartWaitMs = kBlockStartReads * kBlockPartTimeoutMs;
constexpr int kRetryBudget = 5;
// After a CRC mismatch, bytes of the bad block that are still on their way
// (a USB adapter holds them up to 16 ms) are let pass before the answer.
constexpr uint32_t kSettleQuietMs = 20;
// A loader that keeps sending the block just stored, or new blocks that
// carry no byte, makes no progress: after this many in a row the receive
// ends as if the line had fallen silent.
constexpr uint32_t kRepeatsInARowAllowed = 16;
constexpr uint32_t kEmptyBlocksInARowAllowed = 16;

}  // namespace

BlockReceiver::BlockReceiver(LinkLine& linkLine, LoaderCommands& loaderCommands)
    : line(linkLine),
      commands(loaderCommands),
      blockBuffer(std::make_unique<uint8_t[]>(kReceiveBlockBytes + kBlockOverheadBytes)),
      drainBuffer(std::make_unique<uint8_t[]>(kReceiveBufferBytes)) {}

LinkStatus BlockReceiver::ReadBlockPart(uint8_t* buffer, uint32_t count, int location) {
  uint32_t got = 0;
  // A block under way arrives whole whatever the user does meanwhile: its
  // bytes must never be taken for the loader's response after a stop.
  LinkStatus status = line.ReadExact(buffer, count, &got, kBlockPartTimeoutMs, StopsWait::LinkOnly);
  if (status == kStatusOk && got < count) status = kStatusTimeout;  // the link's own stop ended the wait
  if (status != kStatusOk && location != 0 && !line.StopRequested()) line.ReportRetry(status, kUnitXm, location);
  return status;
}

bool BlockReceiver::WaitForQuietLine(uint32_t quietMs) {
  const uint32_t start = line.TickCount();
  uint32_t lastByte = start;
  uint8_t* scratch = drainBuffer.get();
  for (;;) {
    uint32_t queued = 0;
    if (line.GetQueuedCount(&queued) != kStatusOk || line.StopRequested()) return false;
    const uint32_t now = line.TickCount();
    if (queued > 0) {
      uint32_t got = 0;
      if (line.ReadBytes(scratch, std::min(queued, kReceiveBufferBytes), &got) != kStatusOk) return false;
      lastByte = now;
      continue;
    }
    if (now - lastByte >= quietMs) return true;
    if (now - start > kBlockStartWaitMs) return false;
    // Until something arrives, or the quiet (or the limit) is reached.
    line.WaitForInput(std::min(quietMs - (now - lastByte), kBlockStartWaitMs - (now - start) + 1));
  }
}

// Reads the rest of a block whose start byte has arrived and checks its
// CRC. Returns 0 (the data is in the block buffer), kStatusCrcMismatch,
// kStatusCrcMissing (a part did not arrive: the rest of the block has been
// let pass, so its tail is not taken for block starts), or
// kStatusNoBlockStart when the line never went quiet.
LinkStatus BlockReceiver::ReceiveOneBlock(BlockIdentity* block) {
  auto partMissing = [this](LinkStatus status) {
    if (line.StopRequested()) return status;
    return WaitForQuietLine(kBlockPartTimeoutMs) ? kStatusCrcMissing : kStatusNoBlockStart;
  };
  uint8_t field[kBlockLengthBytes];
  LinkStatus status = ReadBlockPart(field, kBlockNumberBytes, 287);
  if (status != kStatusOk) return partMissing(status);
  block->number = static_cast<uint16_t>(LoadLittleEndian16(field));
  status = ReadBlockPart(field, kBlockLengthBytes, 288);
  if (status != kStatusOk) return partMissing(status);
  block->length = LoadLittleEndian16(field);
  uint8_t* data = blockBuffer.get();
  if (block->length > 0) {
    status = ReadBlockPart(data, block->length, 289);
    if (status != kStatusOk) return partMissing(status);
  }
  status = ReadBlockPart(field, kBlockCrcBytes, 0);
  if (status != kStatusOk) return partMissing(status);
  const uint32_t sent = LoadLittleEndian16(field);
  block->crc = Crc16(data, static_cast<int32_t>(block->length));
  if (sent != block->crc) {
    char shown[text::kTextCapacity + 1];
    std::snprintf(shown, sizeof shown, "0x%x (phone sent) != 0x%x (i receive)", sent, block->crc);
    line.Log(shown, kBlack);
    WaitForQuietLine(kSettleQuietMs);
    return kStatusCrcMismatch;
  }
  return kStatusOk;
}

// Appends a new block's data, cut to what the transfer still lacks. 0, or
// kStatusCantOpenFile when the file refused it.
LinkStatus BlockReceiver::StoreBlock(TransferFile& file, const BlockIdentity& block, uint32_t expected,
                                     uint32_t* received) {
  const uint32_t missing = expected > *received ? expected - *received : 0;
  const uint32_t kept = std::min(block.length, missing);
  if (kept < block.length) {
    // Only the last block can carry more than the transfer lacks: it ends
    // the transfer, so this is said once.
    line.Log(line.FormatText(text::kBeyondSize, static_cast<unsigned>(block.number), block.length - kept), kBlack);
  }
  if (kept > 0 && !file.Write(blockBuffer.get(), kept)) return kStatusCantOpenFile;
  *received += kept;
  return kStatusOk;
}

bool BlockReceiver::AwaitBlockStart(uint8_t* start) {
  const uint32_t begin = line.TickCount();
  for (;;) {
    const uint32_t waited = line.TickCount() - begin;
    if (waited > kBlockStartWaitMs) return false;
    uint32_t got = 0;
    // Once acknowledged, the loader sends the next block: it is waited for
    // (within the usual bound) even after the user's stop.
    if (line.ReadExact(start, 1, &got, kBlockStartWaitMs - waited, StopsWait::LinkOnly) != kStatusOk || got == 0) {
      return false;
    }
    if (*start == kStx || *start == kDc4) return true;
    // Anything else is line noise: it is neither answered nor counted.
  }
}

LinkStatus BlockReceiver::ReceiveToFile(TransferFile& file, uint32_t expected, Quiet quiet, uint32_t* received) {
  std::string started = line.App().Text(text::kReceiveStarted);
  line.BeginProgress(quiet == Quiet::Yes ? nullptr : started.c_str(), line.App().Text(text::kReceiving).c_str(),
                     expected, kBlockProgressUnit, kBlack);
  int budget = kRetryBudget;
  uint32_t repeatsInARow = 0;
  uint32_t emptyInARow = 0;
  *received = 0;
  sequence = BlockSequence();
  static_cast<void>(line.WriteByte(kAck));
  for (;;) {
    uint8_t start = 0;
    if (!AwaitBlockStart(&start)) {
      if (line.UserStopAsked()) {
        static_cast<void>(line.WriteByte(kCan));
        return FinishReceive(kStatusOk);
      }
      return FinishReceive(line.ReportError(kStatusNoBlockStart, kUnitXm, 281, StopRequest::No));
    }
    if (start == kDc4) {
      line.ReportError(kStatusReceiveAborted, kUnitXm, 326, StopRequest::No);
      return FinishReceive(kStatusOk);
    }
    BlockIdentity block;
    LinkStatus status = ReceiveOneBlock(&block);
    if (status != kStatusOk && line.UserStopAsked()) {
      static_cast<void>(line.WriteByte(kCan));
      return FinishReceive(kStatusOk);
    }
    if (status == kStatusNoBlockStart) return FinishReceive(line.ReportError(status, kUnitXm, 281, StopRequest::No));
    BlockSequence::Verdict verdict = BlockSequence::Verdict::kNew;
    if (status == kStatusOk) {
      verdict = sequence.Classify(block);
      if (verdict == BlockSequence::Verdict::kOutOfSequence) {
        char shown[text::kTextCapacity + 1];
        std::snprintf(shown, sizeof shown, "Block %u (phone sent) != %u (i expect)",
                      static_cast<unsigned>(block.number),
                      static_cast<unsigned>(static_cast<uint16_t>(sequence.Last().number + 1)));
        line.Log(shown, kBlack);
        status = kStatusCrcMismatch;  // a failed block: asked for again
      }
    }
    if (status == kStatusCrcMismatch || status == kStatusCrcMissing) {
      const bool mismatch = status == kStatusCrcMismatch;
      // The last failure the budget can't cover ends the transfer.
      if (budget-- == 0) return FinishReceive(line.ReportError(status, kUnitXm, mismatch ? 312 : 319, StopRequest::No));
      line.ReportRetry(status, kUnitXm, mismatch ? 312 : 319);
      static_cast<void>(line.WriteByte(mismatch ? kSyn : kEtb));
      continue;
    }
    if (verdict == BlockSequence::Verdict::kRepeat) {
      // Our 0x06 to it was lost: answer again, store nothing.
      if (++repeatsInARow > kRepeatsInARowAllowed) {
        return FinishReceive(line.ReportError(kStatusNoBlockStart, kUnitXm, 281, StopRequest::No));
      }
      static_cast<void>(line.WriteByte(kAck));
      continue;
    }
    repeatsInARow = 0;
    const uint32_t before = *received;
    if (StoreBlock(file, block, expected, received) != kStatusOk) {
      return FinishReceive(line.ReportError(kStatusCantOpenFile, kUnitXm, 305, StopRequest::No));
    }
    sequence.Stored(block);
    emptyInARow = *received == before ? emptyInARow + 1 : 0;
    if (emptyInARow == kEmptyBlocksInARowAllowed) {
      return FinishReceive(line.ReportError(kStatusNoBlockStart, kUnitXm, 281, StopRequest::No));
    }
    if (line.UserStopAsked()) {
      static_cast<void>(line.WriteByte(kCan));
      return FinishReceive(kStatusOk);
    }
    line.StepProgress(*received, kBlockProgressUnit);
    static_cast<void>(line.WriteByte(kAck));
    if (*received >= expected) return FinishReceive(kStatusOk);
  }
}

LinkStatus BlockReceiver::FinishReceive(LinkStatus status) {
  if (status != kStatusOk) static_cast<void>(line.WriteByte(kCan));
  line.EndProgress(line.App().Text(text::kReceiveFinished).c_str(), kBlack);
  return status;
}

bool BlockReceiver::TakeRepeatedLastBlock() {
  BlockIdentity block;
  uint8_t field[kBlockLengthBytes];
  if (ReadBlockPart(field, kBlockNumberBytes, 0) != kStatusOk) return false;
  block.number = static_cast<uint16_t>(LoadLittleEndian16(field));
  if (ReadBlockPart(field, kBlockLengthBytes, 0) != kStatusOk) return false;
  block.length = LoadLittleEndian16(field);
  uint8_t* data = blockBuffer.get();
  if (block.length > 0 && ReadBlockPart(data, block.length, 0) != kStatusOk) return false;
  if (ReadBlockPart(field, kBlockCrcBytes, 0) != kStatusOk) return false;
  block.crc = Crc16(data, static_cast<int32_t>(block.length));
  return LoadLittleEndian16(field) == block.crc && block == sequence.Last();
}

LinkStatus BlockReceiver::ReadDumpResponse(Quiet quiet) {
  for (uint32_t repeats = 0;; ++repeats) {
    uint8_t response = 0;
    uint32_t got = 0;
    LinkStatus status = line.ReadExact(&response, 1, &got, kByteTimeoutMs, StopsWait::LinkOnly);
    if (status == kStatusOk && got == 0) status = kStatusTimeout;  // the link is ending: no response
    if (status != kStatusOk) return line.ReportError(status, kUnitSerial, 442, StopRequest::No);
    // A response of 2 and a repeated block both start with 0x02; only a
    // whole repeat of the last block counts as one.
    if (response != kStx || !sequence.Numbered() || repeats == kRepeatsInARowAllowed || !TakeRepeatedLastBlock()) {
      return quiet == Quiet::Yes ? kStatusOk : commands.TakeResponse(response);
    }
    static_cast<void>(line.WriteByte(kAck));
  }
}

}  // namespace varnel
