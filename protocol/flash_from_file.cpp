// Writing a file into flash in blocks that never cross a sector boundary.
// The file is read one block at a time; it is never held whole.
#include <algorithm>
#include <cstdio>

#include "link/serial_link.h"
#include "protocol/flash_bank.h"

namespace varnel {
namespace {

constexpr uint32_t kUnknownSize = 0xFFFFFFFF;

// The file's size in 32 bits; kUnknownSize when it can't be told.
uint32_t FileSize(std::FILE* file) {
  if (file == nullptr || std::fseek(file, 0, SEEK_END) != 0) return kUnknownSize;
  long size = std::ftell(file);
  if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) return kUnknownSize;
  return static_cast<uint32_t>(static_cast<unsigned long>(size) & kUnknownSize);
}

struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file != nullptr) std::fclose(file);
  }
};

}  // namespace

LinkStatus SerialLink::FlashFromFile(const char* path, uint32_t start) {
  status = kStatusOk;
  transferStatus = kStatusOk;
  transferredBytes = 0;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  const uint32_t blockSize = TransferBlockSize();
  uint32_t number = 1;
  uint32_t sent = 0;
  const uint32_t total = file ? FileSize(file.get()) : kUnknownSize;

  FlashBank bank;
  if (!FindFlashBank(start, &bank)) {
    status = kStatusRegionBelowBanks;
    return ReportError(kUnitXm, 530, Stop::No);
  }
  uint32_t relative = start - bank.base;
  if (!file || !FitsInBank(relative, total)) {
    status = kStatusRegionPastBank;
    return ReportError(kUnitXm, 535, Stop::No);
  }
  std::time_t first = std::time(nullptr);
  if (SendCommand(kCmdFlash, start, total) != kStatusOk) return ReportError(kUnitXm, 542, Stop::No);
  if (WaitForAck() != kStatusOk) return ReportError(kUnitXm, 544, Stop::No);
  BeginProgress(app->Text(text::kFlashStarted).c_str(), app->Text(text::kFlashing).c_str(),
                total, kBlockProgressUnit, kBlack);
  uint8_t* data = receiveBuffer.get();
  for (;;) {
    uint32_t n = std::min(total - sent, blockSize);
    if (n == 0) break;
    n = std::min(n, SectorRoom(relative, bank));
    if (std::fread(data, 1, n, file.get()) != n) {
      // A block must never carry bytes that were not read from the file.
      status = kStatusPackageRead;
      ReportError(kUnitXm, 565, Stop::No);
      WriteByte(kCan);
      break;
    }
    if (SendBlock(data, n, number++) != kStatusOk) break;
    sent += n;
    relative += n;
    StepProgress(sent, kBlockProgressUnit);
  }
  transferStatus = status;
  transferredBytes = sent;
  EndProgress(app->Text(text::kFlashFinished).c_str(), kBlack);
  std::time_t second = std::time(nullptr);
  LogElapsed(first, second);
  file.reset();
  if (ReadResponse() != kStatusOk) ReportError(kUnitXm, 591, Stop::Yes);
  return status;
}

}  // namespace varnel
