// Receiving blocks from the loader into a file: each block's CRC is checked
// before its bytes are appended; a bad block is asked for again while the
// transfer's retry budget lasts.
#include <cstdio>

#include "link/serial_link.h"
#include "protocol/byte_order.h"
#include "protocol/crc16.h"

namespace varnel {
namespace {

constexpr int kBlockStartReads = 5;
constexpr int kRetryBudget = 5;

}  // namespace

LinkStatus SerialLink::ReadBlockPart(uint8_t* buffer, uint32_t count, int location) {
  uint32_t got = 0;
  if (ReadExact(buffer, count, &got, kBlockPartTimeoutMs) == kStatusOk && got < count) {
    status = kStatusTimeout;  // a stop request ended the wait
  }
  if (status != kStatusOk && location != 0) ReportError(kUnitXm, location, Stop::No);
  return status;
}

// Reads the rest of a block whose start byte has arrived and appends its
// data when the CRC matches. Leaves 0, 58, 59, or 15 when the file refused
// the data. A block whose length or data did not arrive whole is never
// appended: it is asked for again like one whose CRC did not arrive.
LinkStatus SerialLink::ReceiveOneBlock(std::FILE* file, uint32_t* received) {
  uint8_t field[kBlockLengthBytes];
  ReadBlockPart(field, kBlockNumberBytes, 287);  // the number is not used
  if (ReadBlockPart(field, kBlockLengthBytes, 288) != kStatusOk) {
    status = kStatusCrcMissing;
    return status;
  }
  const uint32_t length = LoadLittleEndian16(field);
  uint8_t* data = blockBuffer.get();
  bool dataComplete = length == 0 || ReadBlockPart(data, length, 289) == kStatusOk;
  uint8_t crcField[kBlockCrcBytes];
  if (ReadBlockPart(crcField, kBlockCrcBytes, 0) != kStatusOk || !dataComplete) {
    status = kStatusCrcMissing;
    return status;
  }
  const uint32_t sent = LoadLittleEndian16(crcField);
  const uint32_t computed = Crc16(data, static_cast<int32_t>(length));
  if (sent != computed) {
    char line[text::kTextCapacity + 1];
    std::snprintf(line, sizeof line, "0x%x (phone sent) != 0x%x (i receive)", sent, computed);
    Log(line, kBlack);
    status = kStatusCrcMismatch;
    return status;
  }
  status = kStatusOk;
  if (length > 0 && std::fwrite(data, 1, length, file) != length) {
    status = kStatusCantOpenFile;
    return status;
  }
  *received += length;
  return status;
}

bool SerialLink::ReadBlockStart(uint8_t* start) {
  for (int reads = 0; reads < kBlockStartReads; ++reads) {
    uint32_t got = 0;
    if (ReadExact(start, 1, &got, kBlockPartTimeoutMs) == kStatusOk && got == 1) return true;
  }
  return false;
}

LinkStatus SerialLink::ReceiveToFile(std::FILE* file, uint32_t expected, Quiet quiet) {
  status = kStatusOk;
  std::string started = app->Text(text::kReceiveStarted);
  BeginProgress(quiet == Quiet::Yes ? nullptr : started.c_str(),
                app->Text(text::kReceiving).c_str(), expected, kBlockProgressUnit, kBlack);
  int budget = kRetryBudget;
  uint32_t received = 0;
  WriteByte(kAck);
  for (;;) {
    uint8_t start = 0;
    if (!ReadBlockStart(&start)) {
      status = kStatusNoBlockStart;
      ReportError(kUnitXm, 281, Stop::No);
      break;
    }
    status = kStatusOk;
    if (start == kStx) ReceiveOneBlock(file, &received);
    if (start == kDc4) status = kStatusReceiveAborted;
    if (status == kStatusCrcMismatch || status == kStatusCrcMissing) {
      const bool mismatch = status == kStatusCrcMismatch;
      ReportError(kUnitXm, mismatch ? 312 : 319, Stop::No);
      if (budget-- == 0) break;
      WriteByte(mismatch ? kSyn : kEtb);
      status = kStatusOk;
      continue;
    }
    if (status == kStatusReceiveAborted) {
      ReportError(kUnitXm, 326, Stop::No);
      status = kStatusOk;
      break;
    }
    if (status == kStatusCantOpenFile) {
      ReportError(kUnitXm, 305, Stop::No);
      break;
    }
    if (command.load() == kCommandStop) {
      WriteByte(kCan);
      break;
    }
    StepProgress(received, kBlockProgressUnit);
    WriteByte(kAck);
    if (received >= expected) break;
  }
  return FinishReceive(received);
}

LinkStatus SerialLink::FinishReceive(uint32_t received) {
  transferredBytes = received;
  LinkStatus result = status;
  if (result != kStatusOk) WriteByte(kCan);
  EndProgress(app->Text(text::kReceiveFinished).c_str(), kBlack);
  status = result;
  return status;
}

}  // namespace varnel
