// Writing a file into flash in blocks that never cross a sector boundary.
// The file is read one block at a time; it is never held whole.
#include <algorithm>

#include "link/serial_link.h"
#include "format/flash_bank.h"
#include "link/transfer_file.h"

namespace varnel {

LinkStatus SerialLink::FlashFromFile(const char* path, uint32_t start) {
  status = kStatusOk;
  transferStatus = kStatusOk;
  transferredBytes = 0;
  std::string reason;
  TransferFile file = TransferFile::OpenForReading(path, &reason);
  const uint32_t blockSize = TransferBlockSize();
  uint32_t number = 1;
  uint32_t sent = 0;

  FlashBank bank;
  if (!FindFlashBank(start, &bank)) {
    status = kStatusRegionBelowBanks;
    return ReportError(kUnitXm, 530, Stop::No);
  }
  uint32_t relative = start - bank.base;
  // The whole 64-bit size is checked: a file of 4 GiB or more must not
  // pass as its low 32 bits.
  if (!file.IsOpen() || !FitsInBank(relative, file.Size())) {
    status = kStatusRegionPastBank;
    ReportError(kUnitXm, 535, Stop::No);
    if (!file.IsOpen()) LogSystemReason(reason);
    return status;
  }
  const uint32_t total = static_cast<uint32_t>(file.Size());
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
    uint32_t got = 0;
    if (!file.Read(data, n, &got) || got != n) {
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
    if (StopAsked() && sent < total) {
      // Stopped by the user: the loader hears that the rest is not coming.
      WriteByte(kCan);
      status = kStatusBlockFailed;
      break;
    }
  }
  transferStatus = status;
  transferredBytes = sent;
  EndProgress(app->Text(text::kFlashFinished).c_str(), kBlack);
  std::time_t second = std::time(nullptr);
  LogElapsed(first, second);
  file.Close();
  if (ReadResponse() != kStatusOk) ReportError(kUnitXm, 591, Stop::Yes);
  return status;
}

}  // namespace varnel
