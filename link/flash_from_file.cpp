// Writing a file into flash in blocks that never cross a sector boundary.
// The file is read one block at a time; it is never held whole.
#include <algorithm>

#include "files/transfer_file.h"
#include "format/flash_bank.h"
#include "format/wire_format.h"
#include "link/dump_and_flash.h"
#include "texts/transfer_rate.h"

namespace varnel {

DumpAndFlash::HeldStops::HeldStops(DumpAndFlash& owner) : transfers(owner) { transfers.flashStops.store(0); }

DumpAndFlash::HeldStops::~HeldStops() { Release(); }

bool DumpAndFlash::HeldStops::Held() const { return transfers.flashStops.load() > 0; }

void DumpAndFlash::HeldStops::Release() {
  const int stops = transfers.flashStops.exchange(kNoFlashUnderWay);
  if (stops > 0) transfers.stopHeld = true;
}

bool DumpAndFlash::HoldStopForFlash() {
  int stops = flashStops.load();
  while (stops != kNoFlashUnderWay) {
    if (flashStops.compare_exchange_weak(stops, stops + 1)) return stops == 0;
  }
  return false;
}

LinkStatus DumpAndFlash::FlashFromFile(const char* path, uint32_t start, TransferOutcome* outcome,
                                       FlashedImage* image) {
  *outcome = TransferOutcome{TransferKind::Flash};
  constexpr uint64_t kMsPerSecond = 1000;
  bool toldFinishing = false;
  FlashedImage local;
  if (image == nullptr) image = &local;
  std::string reason;
  image->file = TransferFile::OpenForReading(path, &reason);
  image->stamp = image->file.Stamp();
  TransferFile& file = image->file;
  uint32_t number = kFirstBlockNumber;
  uint32_t sent = 0;

  FlashBank bank;
  if (!FindFlashBank(start, &bank)) {
    outcome->status = kStatusRegionBelowBanks;
    return line.ReportError(kStatusRegionBelowBanks, kUnitXm, 530, StopRequest::No);
  }
  uint32_t relative = start - bank.base;
  // The whole 64-bit size is checked: a file of 4 GiB or more must not
  // pass as its low 32 bits.
  if (!file.IsOpen() || !FitsInBank(relative, file.Size())) {
    outcome->status = kStatusRegionPastBank;
    line.ReportError(kStatusRegionPastBank, kUnitXm, 535, StopRequest::No);
    if (!file.IsOpen()) line.LogSystemReason(reason);
    return kStatusRegionPastBank;
  }
  const uint32_t total = static_cast<uint32_t>(file.Size());
  const std::time_t first = std::time(nullptr);
  const uint32_t firstTick = line.TickCount();
  // From the flash packet on, the user's first stop waits for the end of
  // the blocks; a stop that came before it means the flash never starts.
  HeldStops holding(*this);
  if (line.UserStopAsked()) return kStatusOk;
  LinkStatus status = commands.SendCommand(kCmdFlash, start, total);
  if (status != kStatusOk) {
    outcome->status = status;
    return line.ReportError(status, kUnitXm, 542, StopRequest::No);
  }
  status = sender.WaitForAck();
  if (status != kStatusOk) {
    outcome->status = status;
    return line.ReportError(status, kUnitXm, 544, StopRequest::No);
  }
  line.BeginProgress(line.App().Text(text::kFlashStarted).c_str(), line.App().Text(text::kFlashing).c_str(), total,
                     kBlockProgressUnit, kBlack);
  uint8_t* data = flashBlock.get();
  for (;;) {
    uint32_t n = std::min(total - sent, sender.BlockSize());
    if (n == 0) break;
    n = std::min(n, SectorRoom(relative, bank));
    uint32_t got = 0;
    if (!file.Read(data, n, &got) || got != n) {
      // A block must never carry bytes that were not read from the file.
      status = line.ReportError(kStatusPackageRead, kUnitXm, 565, StopRequest::No);
      static_cast<void>(line.WriteByte(kCan));
      break;
    }
    status = sender.SendBlock(data, n, number++);
    if (status != kStatusOk) break;
    sent += n;
    relative += n;
    line.StepProgress(sent, kBlockProgressUnit);
    if (sent == total) break;
    if (holding.Held() && !toldFinishing) {
      toldFinishing = true;
      const uint64_t elapsedMs = std::max<uint32_t>(line.TickCount() - firstTick, 1);
      const uint64_t leftMs = uint64_t{total - sent} * elapsedMs / sent;
      line.Log(line.FormatText(text::kFinishingFlash,
                               DurationText(static_cast<uint32_t>((leftMs + kMsPerSecond - 1) / kMsPerSecond)).c_str()),
               kGrey);
    }
    if (line.StopAsked()) {
      // The user insisted (or the link is ending): the loader hears that
      // the rest is not coming, and the user where the flash stopped.
      static_cast<void>(line.WriteByte(kCan));
      status = kStatusBlockFailed;
      if (line.UserStopAsked()) line.Log(line.FormatText(text::kFlashAborted, start + sent), kRed);
      break;
    }
  }
  holding.Release();
  outcome->status = status;
  outcome->bytes = sent;
  line.EndProgress(line.App().Text(text::kFlashFinished).c_str(), kBlack);
  LogElapsed(first, firstTick, sent);
  if (image == &local) file.Close();
  const LinkStatus response = commands.ReadResponse();
  outcome->confirmed = response == kStatusOk;
  if (response != kStatusOk) return line.ReportError(response, kUnitXm, 591, StopRequest::Yes);
  return kStatusOk;
}

}  // namespace varnel
