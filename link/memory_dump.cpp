// Reading a flash region into a file, and the elapsed-time line it shares
// with the flash.
#include <algorithm>
#include <cstdio>

#include "files/transfer_file.h"
#include "format/flash_bank.h"
#include "format/wire_format.h"
#include "link/dump_and_flash.h"
#include "link/dump_resume.h"
#include "texts/transfer_rate.h"

namespace varnel {

DumpAndFlash::DumpAndFlash(LinkLine& linkLine, LoaderCommands& loaderCommands, BlockSender& blockSender,
                           BlockReceiver& blockReceiver)
    : line(linkLine),
      commands(loaderCommands),
      sender(blockSender),
      receiver(blockReceiver),
      flashBlock(std::make_unique<uint8_t[]>(kReceiveBlockBytes)) {}

void DumpAndFlash::LogElapsed(std::time_t first, uint32_t firstTick, uint32_t bytes) {
  constexpr long kSecondsPerMinute = 60;
  constexpr double kMillisecondsPerSecond = 1000.0;
  long seconds = static_cast<long>(std::time(nullptr) - first);
  if (seconds < 0) seconds = 0;
  // "[%M:%S]": minutes and seconds; whole hours are not shown.
  char elapsed[16];
  std::snprintf(elapsed, sizeof elapsed, "[%02ld:%02ld]", seconds / kSecondsPerMinute % kSecondsPerMinute,
                seconds % kSecondsPerMinute);
  line.Log(line.FormatText(text::kTimeElapsed, elapsed), kGrey);
  if (bytes == 0) return;
  // The rate over the whole transfer, on the tick clock: finer than the
  // whole seconds above, and immune to the wall clock being set.
  const uint32_t milliseconds = std::max<uint32_t>(line.TickCount() - firstTick, 1);
  line.Log(
      line.FormatText(text::kAverageRate, RateText(line.App(), bytes * kMillisecondsPerSecond / milliseconds).c_str()),
      kGrey);
}

LinkStatus DumpAndFlash::DumpToFile(const char* path, uint32_t start, uint32_t length, TransferOutcome* outcome,
                                    uint32_t kept) {
  return Dump(path, nullptr, start, length, kept, outcome);
}

LinkStatus DumpAndFlash::DumpIntoFile(TransferFile& file, uint32_t start, uint32_t length, TransferOutcome* outcome) {
  return Dump(nullptr, &file, start, length, 0, outcome);
}

LinkStatus DumpAndFlash::Dump(const char* path, TransferFile* openFile, uint32_t start, uint32_t length, uint32_t kept,
                              TransferOutcome* outcome) {
  *outcome = TransferOutcome{TransferKind::Dump};
  FlashBank bank;
  if (!FindFlashBank(start, &bank)) {
    outcome->status = kStatusRegionBelowBanks;
    return line.ReportError(kStatusRegionBelowBanks, kUnitXm, 423, StopRequest::No);
  }
  if (!FitsInBank(start - bank.base, length)) {
    outcome->status = kStatusRegionPastBank;
    return line.ReportError(kStatusRegionPastBank, kUnitXm, 428, StopRequest::No);
  }
  // A FIFO, a directory or a device is no place for a dump: refused before
  // the loader is asked for anything.
  std::string reason;
  if (openFile == nullptr && !TransferFile::MayReplace(path, &reason)) {
    outcome->status = kStatusCantOpenFile;
    line.ReportError(kStatusCantOpenFile, kUnitXm, 429, StopRequest::No);
    line.LogSystemReason(reason);
    return kStatusCantOpenFile;
  }
  const LinkStatus sent = commands.SendCommand(kCmdDump, start + kept, length - kept);
  if (sent != kStatusOk) {
    outcome->status = sent;
    return line.ReportError(sent, kUnitXm, 431, StopRequest::No);
  }

  TransferFile created;
  if (openFile == nullptr) {
    created = kept == 0 ? TransferFile::Create(path, &reason) : TransferFile::Append(path, &reason);
    // Appended only where the part planned for ends: a file that changed
    // since would get a seam in the wrong place.
    if (created.IsOpen() && created.Size() != kept) {
      created = TransferFile();
      reason = std::string(path) + ": changed since the dump was planned";
    }
    // Until the file holds the whole region, a record beside it says which
    // region that is, so the dump can go on after an interruption.
    if (created.IsOpen()) static_cast<void>(WriteDumpRecord(path, {start, length}));
  }
  TransferFile& file = openFile == nullptr ? created : *openFile;
  const std::time_t first = std::time(nullptr);
  const uint32_t firstTick = line.TickCount();
  if (!file.IsOpen()) {
    // The loader waits for the ready byte: tell it the transfer is off,
    // then close as after any receive.
    outcome->status = kStatusCantOpenFile;
    line.ReportError(kStatusCantOpenFile, kUnitXm, 436, StopRequest::No);
    line.LogSystemReason(reason);
    static_cast<void>(line.WriteByte(kCan));
    LogElapsed(first, firstTick, 0);
    const LinkStatus response = commands.ReadResponse();
    if (response != kStatusOk) return line.ReportError(response, kUnitXm, 456, StopRequest::No);
    return kStatusCantOpenFile;
  }
  uint32_t received = 0;
  LinkStatus status = receiver.ReceiveToFile(file, length - kept, Quiet::No, &received);
  outcome->bytes = kept + received;
  if (status != kStatusOk) line.ReportError(status, kUnitXm, 443, StopRequest::No);
  // Stopped by the user: the loader's answer to our 0x18 is expected,
  // whatever it says.
  const bool stopped = status == kStatusOk && outcome->bytes < length && line.UserStopAsked();
  if (stopped) line.Log(line.FormatText(text::kDumpStopped, static_cast<unsigned>(outcome->bytes)), kGrey);
  LogElapsed(first, firstTick, received);
  if (openFile == nullptr && !file.Close() && status == kStatusOk) {
    // The last blocks never reached the disk.
    status = line.ReportError(kStatusCantOpenFile, kUnitXm, 449, StopRequest::No);
  }
  if (openFile == nullptr && status == kStatusOk && outcome->bytes == length) RemoveDumpRecord(path);
  outcome->status = status;
  const LinkStatus response = receiver.ReadDumpResponse(stopped ? Quiet::Yes : Quiet::No);
  outcome->confirmed = response == kStatusOk && !stopped;
  if (response != kStatusOk) return line.ReportError(response, kUnitXm, 456, StopRequest::No);
  return kStatusOk;
}

}  // namespace varnel
