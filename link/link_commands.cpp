// The worker's three long commands: connect, dump and flash.
#include "link/serial_link.h"

namespace varnel {

LinkStatus SerialLink::RunConnect() {
  LoaderPackage* package = owner != nullptr ? owner->PackageFile() : nullptr;
  if (UploadStageOne(package) != kStatusOk) return ReportError(kUnitBase, 107, Stop::Yes);
  if (speed != kUploadSpeed && RaiseLineSpeed() != kStatusOk) return status;
  loaderActive.store(true);
  TakeCommand(kCommandConnect);
  const uint32_t blockSize = owner != nullptr ? owner->BlockSize() : kMaxBlockData;
  if (SendCommand(kCmdBlockSize, blockSize, 0) != kStatusOk) return ReportError(kUnitBase, 124, Stop::No);
  if (ReadResponse() != kStatusOk) ReportError(kUnitBase, 126, Stop::No);
  if (UploadStageTwo(package) != kStatusOk) return ReportError(kUnitBase, 128, Stop::Yes);
  if (SetLoaderState(kStateIdleParts[0], kStateIdleParts[1]) != kStatusOk) ReportError(kUnitBase, 130, Stop::No);
  if (owner != nullptr) owner->OnLoaderReady();
  Log(app->Text(text::kSwitchedToSerial), kGreen);
  if (owner != nullptr) owner->ShowWarning(text::kSerialModeNotice);
  status = kStatusOk;
  return status;
}

LinkStatus SerialLink::RaiseLineSpeed() {
  // Asking the loader for a speed this port can't follow would leave it
  // talking where we can't hear: such a speed is never asked for.
  if (!port.CanRunAt(speed)) {
    Log(FormatText(text::kSpeedUnavailable, static_cast<int>(speed), static_cast<int>(kUploadSpeed)),
        kGrey);
    status = kStatusOk;
    return status;
  }
  if (SendCommand(kCmdLineSpeed, speed, 0) != kStatusOk) return ReportError(kUnitBase, 111, Stop::No);
  // A refused or unanswered speed leaves the line at 115200.
  if (ReadResponse() != kStatusOk) {
    status = kStatusOk;
    return status;
  }
  if (SetLineSpeed(speed, 8, 0, 0) != kStatusOk) {
    // The loader has switched and we can't follow: end the connection, so
    // the loader gets its disconnect as the port closes rather than a new
    // boot dialogue at the wrong speed.
    loaderActive.store(true);
    return ReportError(kUnitBase, 117, Stop::Yes);
  }
  return status;
}

LinkStatus SerialLink::RunDump() {
  if (owner != nullptr) owner->OnLinkBusy();
  Log(FormatText(text::kOffsetSize, offset, size), kGrey);
  TakeCommand(kCommandDump);
  if (SetLoaderState(kStateDumpParts[0], kStateDumpParts[1]) != kStatusOk) ReportError(kUnitBase, 197, Stop::No);
  if (DumpToFile(fileName.get(), offset, size) != kStatusOk) ReportError(kUnitBase, 199, Stop::No);
  if (SetLoaderState(kStateIdleParts[0], kStateIdleParts[1]) != kStatusOk) ReportError(kUnitBase, 201, Stop::No);
  if (owner != nullptr) owner->OnLoaderReady();
  status = kStatusOk;
  return status;
}

LinkStatus SerialLink::RunFlash() {
  if (owner != nullptr) owner->OnLinkBusy();
  Log(FormatText(text::kOffsetSize, offset, size), kGrey);
  TakeCommand(kCommandFlash);
  if (SetLoaderState(kStateFlashParts[0], kStateFlashParts[1]) != kStatusOk) return ReportError(kUnitBase, 228, Stop::No);
  if (FlashFromFile(fileName.get(), offset) != kStatusOk) ReportError(kUnitBase, 230, Stop::No);
  if (SetLoaderState(kStateIdleParts[0], kStateIdleParts[1]) != kStatusOk) return ReportError(kUnitBase, 232, Stop::No);
  if (owner != nullptr) owner->OnLoaderReady();
  status = kStatusOk;
  return status;
}

}  // namespace varnel
