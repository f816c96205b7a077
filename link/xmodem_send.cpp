// Sending blocks to the loader: the ready byte, one block with its answer,
// a whole buffer, and the command-opened upload of a loader chunk.
#include <algorithm>

#include "link/serial_link.h"
#include "format/byte_order.h"
#include "format/crc16.h"

namespace varnel {
namespace {

constexpr int kAckAttempts = 4;
constexpr int kFailedAttemptsAllowed = 5;
// A loader that asks for the same block again and again must not hold the
// worker for ever: after this many requests in a row, one attempt counts
// as failed.
constexpr int kResendsInARowAllowed = 16;

}  // namespace

uint32_t SerialLink::TransferBlockSize() {
  return owner != nullptr ? owner->BlockSize() & 0xFFFF : kMaxBlockData;
}

LinkStatus SerialLink::WaitForAck() {
  for (int attempt = 0; attempt < kAckAttempts; ++attempt) {
    uint8_t byte = 0;
    uint32_t got = 0;
    if (ReadExact(&byte, 1, &got, kByteTimeoutMs) != kStatusOk) {
      ReportError(kUnitXm, 98, Stop::No);
      continue;
    }
    if (got == 1 && byte == kAck) return status;
    if (StopAsked()) break;
  }
  status = kStatusNoAck;
  return status;
}

LinkStatus SerialLink::SendBlock(const uint8_t* data, uint32_t count, uint32_t number) {
  status = kStatusOk;
  count = std::min(count, TransferBlockSize());
  uint8_t* block = blockBuffer.get();
  block[0] = kStx;
  StoreLittleEndian16(block + kBlockStartBytes, number);
  StoreLittleEndian16(block + kBlockStartBytes + kBlockNumberBytes, count);
  std::copy(data, data + count, block + kBlockHeaderBytes);
  StoreLittleEndian16(block + kBlockHeaderBytes + count, Crc16(data, static_cast<int32_t>(count)));
  const uint32_t length = count + kBlockOverheadBytes;

  int failed = 0;
  int resendsInARow = 0;
  bool send = true;
  while (failed < kFailedAttemptsAllowed && !StopAsked()) {
    // One write of the whole block; a block that did not go out shows up
    // as a missing answer.
    if (send) WriteBytes(block, length);
    send = false;
    uint8_t answer = 0;
    uint32_t got = 0;
    if (ReadExact(&answer, 1, &got, kByteTimeoutMs) != kStatusOk || got == 0) {
      if (StopAsked()) break;  // the wait was cut short: the block is given up
      if (status == kStatusOk) status = kStatusTimeout;
      ReportError(kUnitXm, 180, Stop::No);
      ++failed;
      resendsInARow = 0;
      continue;
    }
    if (answer == kAck) return kStatusOk;
    if (answer == kDc4) {
      status = kStatusBlockAborted;
      return ReportError(kUnitXm, 173, Stop::No);
    }
    if (answer == kNak || answer == kSyn || answer == kEtb) {
      if (++resendsInARow < kResendsInARowAllowed) {
        send = true;
        continue;
      }
      resendsInARow = 0;
    }
    ++failed;  // any other byte, or too many requests in a row
  }
  WriteByte(kCan);
  status = kStatusBlockFailed;
  return status;
}

LinkStatus SerialLink::SendData(const uint8_t* data, uint32_t total, Quiet quiet) {
  status = kStatusOk;
  uint32_t position = 0;
  uint32_t number = 1;
  const uint32_t blockSize = TransferBlockSize();
  if (WaitForAck() != kStatusOk) return ReportError(kUnitXm, 199, Stop::No);
  std::string started = app->Text(text::kTransmitStarted);
  BeginProgress(quiet == Quiet::Yes ? nullptr : started.c_str(),
                app->Text(text::kTransmitting).c_str(), total, kBlockProgressUnit, kBlack);
  for (;;) {
    uint32_t n = std::min(total - position, blockSize);
    if (n == 0) break;
    if (SendBlock(data + position, n, number++) != kStatusOk) break;
    position += n;
    StepProgress(position, kBlockProgressUnit);
    if (StopAsked() && position < total) {
      // Stopped: the loader hears that the rest is not coming.
      WriteByte(kCan);
      status = kStatusBlockFailed;
      break;
    }
  }
  LinkStatus result = status;
  std::string finished = app->Text(text::kTransmitFinished);
  EndProgress(quiet == Quiet::Yes ? nullptr : finished.c_str(), kBlack);
  status = result;
  return status;
}

LinkStatus SerialLink::SendWithCommand(const uint8_t* data, uint32_t count, Quiet quiet) {
  status = kStatusOk;
  if (SendCommand(kCmdUpload, count, 0) != kStatusOk) return ReportError(kUnitXm, 352, Stop::No);
  if (SendData(data, count, quiet) != kStatusOk) ReportError(kUnitXm, 354, Stop::No);
  if (ReadResponse() != kStatusOk) ReportError(kUnitXm, 356, Stop::No);
  return status;
}

}  // namespace varnel
