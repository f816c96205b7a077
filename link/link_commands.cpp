// The worker's three long commands: connect, dump and flash (unit
// Serial_Base), each ending with its outcome told to the owner.
#include "link/serial_link.h"

#include <cstdio>

#include "format/wire_format.h"
#include "link/dump_resume.h"
#include "texts/code_page.h"

namespace varnel {

LinkStatus SerialLink::RunConnect() {
  const uint32_t failuresBefore = protocol.line.FailureCount();
  ConnectOutcome outcome;
  const LinkStatus status = RunConnectSteps();
  outcome.ready = status == kStatusOk;
  outcome.clean = protocol.line.FailureCount() == failuresBefore;
  owner.OnConnectEnded(outcome);
  return status;
}

// The connect sequence; 0 once the loader is ready, else the status of
// the step that ended it.
LinkStatus SerialLink::RunConnectSteps() {
  LoaderPackage* package = owner.PackageFile();
  LinkStatus status = protocol.boot.UploadStageOne(package);
  if (status != kStatusOk) return protocol.line.ReportError(status, kUnitBase, 107, StopRequest::Yes);
  if (speed != kUploadSpeed) {
    status = RaiseLineSpeed();
    if (status != kStatusOk) return status;
  }
  protocol.line.SetLoaderActive();
  TakeCommand(LinkCommand::Connect);
  status = protocol.commands.SendCommand(kCmdBlockSize, protocol.sender.BlockSize(), 0);
  if (status != kStatusOk) return protocol.line.ReportError(status, kUnitBase, 124, StopRequest::No);
  status = protocol.commands.ReadResponse();
  if (status != kStatusOk) protocol.line.ReportError(status, kUnitBase, 126, StopRequest::No);
  status = protocol.boot.UploadStageTwo(package);
  if (status != kStatusOk) return protocol.line.ReportError(status, kUnitBase, 128, StopRequest::Yes);
  status = protocol.commands.SetLoaderState(kStateIdleParts[0], kStateIdleParts[1]);
  if (status != kStatusOk) protocol.line.ReportError(status, kUnitBase, 130, StopRequest::No);
  owner.OnLoaderReady();
  protocol.line.Log(app.Text(text::kSwitchedToSerial), kGreen);
  owner.ShowWarning(text::kSerialModeNotice);
  return kStatusOk;
}

LinkStatus SerialLink::RaiseLineSpeed() {
  // Asking the loader for a speed this port can't follow would leave it
  // talking where we can't hear: such a speed is never asked for.
  if (!port->CanRunAt(speed)) {
    protocol.line.Log(
        protocol.line.FormatText(text::kSpeedUnavailable, static_cast<int>(speed), static_cast<int>(kUploadSpeed)),
        kGrey);
    return kStatusOk;
  }
  const LinkStatus sent = protocol.commands.SendCommand(kCmdLineSpeed, speed, 0);
  if (sent != kStatusOk) return protocol.line.ReportError(sent, kUnitBase, 111, StopRequest::No);
  // A refused or unanswered speed leaves the line at 115200.
  if (protocol.commands.ReadResponse() != kStatusOk) return kStatusOk;
  const LinkStatus switched = protocol.line.SetLineSpeed(speed);
  if (switched != kStatusOk) {
    // The loader has switched and we can't follow: end the connection, so
    // the loader gets its disconnect as the port closes rather than a new
    // boot dialogue at the wrong speed.
    protocol.line.SetLoaderActive();
    return protocol.line.ReportError(switched, kUnitBase, 117, StopRequest::Yes);
  }
  return kStatusOk;
}

LinkStatus SerialLink::RunDump() {
  const uint32_t failuresBefore = protocol.line.FailureCount();
  owner.OnLinkBusy();
  protocol.line.Log(protocol.line.FormatText(text::kOffsetSize, request.offset, request.size), kGrey);
  TakeCommand(LinkCommand::Dump);
  TransferOutcome outcome;
  const ResumePlan plan = request.resume ? PlanResume(request.fileName, {request.offset, request.size}) : ResumePlan{};
  if (plan.verdict == ResumeVerdict::Complete || plan.verdict == ResumeVerdict::Refused) {
    // Nothing to ask of the loader.
    const bool complete = plan.verdict == ResumeVerdict::Complete;
    protocol.line.Log(app.TextWithName(complete ? text::kDumpComplete : text::kResumeRefused, request.fileName),
                      complete ? kGrey : kRed);
    outcome.status = complete ? kStatusOk : kStatusCantOpenFile;
    outcome.bytes = plan.kept;
    outcome.confirmed = complete;
    outcome.clean = complete;
    owner.OnLoaderReady();
    owner.OnTransferEnded(outcome);
    return kStatusOk;
  }
  if (plan.verdict == ResumeVerdict::Resume) {
    char line[text::kTextCapacity + 1];
    std::snprintf(line, sizeof line, app.Text(text::kResuming).c_str(),
                  NarrowToCodePage(request.fileName, app.CodePage()).c_str(), static_cast<unsigned>(plan.kept),
                  static_cast<unsigned>(request.size), static_cast<unsigned>(request.offset + plan.kept));
    protocol.line.Log(line, kGrey);
  }
  LinkStatus status = protocol.commands.SetLoaderState(kStateDumpParts[0], kStateDumpParts[1]);
  if (status != kStatusOk) protocol.line.ReportError(status, kUnitBase, 197, StopRequest::No);
  status = protocol.transfers.DumpToFile(request.fileName.c_str(), request.offset, request.size, &outcome, plan.kept);
  if (status != kStatusOk) protocol.line.ReportError(status, kUnitBase, 199, StopRequest::No);
  status = protocol.commands.SetLoaderState(kStateIdleParts[0], kStateIdleParts[1]);
  if (status != kStatusOk) protocol.line.ReportError(status, kUnitBase, 201, StopRequest::No);
  outcome.clean = protocol.line.FailureCount() == failuresBefore;
  owner.OnLoaderReady();
  owner.OnTransferEnded(outcome);  // last: the command has ended
  return kStatusOk;
}

LinkStatus SerialLink::RunFlash() {
  const uint32_t failuresBefore = protocol.line.FailureCount();
  TransferOutcome outcome{TransferKind::Flash};
  // The outcome is told last: the command has ended. A stop that waited
  // for the flash takes effect then.
  auto finish = [&](LinkStatus status) {
    outcome.clean = protocol.line.FailureCount() == failuresBefore;
    if (protocol.transfers.TakeHeldStop()) command.store(LinkCommand::Stop);
    owner.OnTransferEnded(outcome);
    return status;
  };
  owner.OnLinkBusy();
  protocol.line.Log(protocol.line.FormatText(text::kOffsetSize, request.offset, request.size), kGrey);
  TakeCommand(LinkCommand::Flash);
  LinkStatus status = protocol.commands.SetLoaderState(kStateFlashParts[0], kStateFlashParts[1]);
  if (status != kStatusOk) return finish(protocol.line.ReportError(status, kUnitBase, 228, StopRequest::No));
  FlashedImage image;
  status = protocol.transfers.FlashFromFile(request.fileName.c_str(), request.offset, &outcome, &image);
  if (status != kStatusOk) protocol.line.ReportError(status, kUnitBase, 230, StopRequest::No);
  status = protocol.commands.SetLoaderState(kStateIdleParts[0], kStateIdleParts[1]);
  if (status != kStatusOk) return finish(protocol.line.ReportError(status, kUnitBase, 232, StopRequest::No));
  // Only a flash the loader confirmed whole is read back: anything less
  // has been reported already and would only be found to differ.
  if (request.verify && outcome.status == kStatusOk && outcome.confirmed && !protocol.line.StopAsked()) {
    outcome.verify = VerifyFlash(outcome.bytes, image);
  }
  owner.OnLoaderReady();
  return finish(kStatusOk);
}

}  // namespace varnel
