// Reading a flash region into a file, and the elapsed-time line it shares
// with the flash.
#include <cstdio>

#include "link/serial_link.h"
#include "format/flash_bank.h"
#include "link/transfer_file.h"

namespace varnel {

void SerialLink::LogElapsed(std::time_t first, std::time_t second) {
  long seconds = static_cast<long>(second - first);
  if (seconds < 0) seconds = 0;
  // "[%M:%S]": minutes and seconds; whole hours are not shown.
  char elapsed[16];
  std::snprintf(elapsed, sizeof elapsed, "[%02ld:%02ld]", seconds / 60 % 60, seconds % 60);
  Log(FormatText(text::kTimeElapsed, elapsed), kGrey);
}

LinkStatus SerialLink::DumpToFile(const char* path, uint32_t start, uint32_t length) {
  status = kStatusOk;
  transferStatus = kStatusOk;
  transferredBytes = 0;
  sequence = BlockSequence();
  FlashBank bank;
  if (!FindFlashBank(start, &bank)) {
    status = kStatusRegionBelowBanks;
    return ReportError(kUnitXm, 423, Stop::No);
  }
  if (!FitsInBank(start - bank.base, length)) {
    status = kStatusRegionPastBank;
    return ReportError(kUnitXm, 428, Stop::No);
  }
  // A FIFO, a directory or a device is no place for a dump: refused before
  // the loader is asked for anything.
  std::string reason;
  if (!TransferFile::MayReplace(path, &reason)) {
    status = transferStatus = kStatusCantOpenFile;
    ReportError(kUnitXm, 429, Stop::No);
    LogSystemReason(reason);
    return status;
  }
  if (SendCommand(kCmdDump, start, length) != kStatusOk) return ReportError(kUnitXm, 431, Stop::No);

  TransferFile file = TransferFile::Create(path, &reason);
  std::time_t first = std::time(nullptr);
  if (!file.IsOpen()) {
    // The loader waits for the ready byte: tell it the transfer is off,
    // then close as after any receive.
    status = kStatusCantOpenFile;
    transferStatus = status;
    ReportError(kUnitXm, 436, Stop::No);
    LogSystemReason(reason);
    WriteByte(kCan);
    LogElapsed(first, std::time(nullptr));
    if (ReadResponse() != kStatusOk) return ReportError(kUnitXm, 456, Stop::No);
    status = kStatusCantOpenFile;
    return status;
  }
  if (ReceiveToFile(file, length, Quiet::No) != kStatusOk) ReportError(kUnitXm, 443, Stop::No);
  transferStatus = status;
  std::time_t second = std::time(nullptr);
  LogElapsed(first, second);
  if (!file.Close() && transferStatus == kStatusOk) {
    // The last blocks never reached the disk.
    status = transferStatus = kStatusCantOpenFile;
    ReportError(kUnitXm, 449, Stop::No);
  }
  if (ReadDumpResponse() != kStatusOk) ReportError(kUnitXm, 456, Stop::No);
  return status;
}

}  // namespace varnel
