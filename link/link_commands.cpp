// The worker's three long commands: connect, dump and flash (unit
// Serial_Base), each ending with its outcome told to the owner.
#include "link/serial_link.h"

#include <cstdio>

#include "format/wire_format.h"
#include "link/dump_resume.h"
#include "texts/code_page.h"

namespace varnel {

LinkStatus SerialLink::RunConnect() {
  const uint32_t failuresBefore = protocol.FailureCount();
  ConnectOutcome outcome;
  const LinkStatus status = RunConnectSteps();
  outcome.ready = status == kStatusOk;
  outcome.clean = protocol.FailureCount() == failuresBefore;
  owner.OnConnectEnded(outcome);
  return status;
}

// The connect sequence; 0 once the loader is ready, else the status of
// the step that ended it.
LinkStatus SerialLink::RunConnectSteps() {
  LoaderPackage* package = owner.PackageFile();
  LinkStatus status = protocol.UploadStageOne(package);
  if (status != kStatusOk) return protocol.ReportError(status, kUnitBase, 107, StopRequest::Yes);
  if (speed != kUploadSpeed) {
    status = RaiseLineSpeed();
    if (status != kStatusOk) return status;
  }
  protocol.SetLoaderActive();
  TakeCommand(LinkCommand::Connect);
  status = protocol.SendCommand(kCmdBlockSize, protocol.BlockSize(), 0);
  if (status != kStatusOk) return protocol.ReportError(status, kUnitBase, 124, StopRequest::No);
  status = protocol.ReadResponse();
  if (status != kStatusOk) protocol.ReportError(status, kUnitBase, 126, StopRequest::No);
  status = protocol.UploadStageTwo(package);
  if (status != kStatusOk) return protocol.ReportError(status, kUnitBase, 128, StopRequest::Yes);
  status = protocol.SetLoaderState(kStateIdleParts[0], kStateIdleParts[1]);
  if (status != kStatusOk) protocol.ReportError(status, kUnitBase, 130, StopRequest::No);
  owner.OnLoaderReady();
  protocol.Log(app.Text(text::kSwitchedToSerial), kGreen);
  owner.ShowWarning(text::kSerialModeNotice);
  return kStatusOk;
}

LinkStatus SerialLink::RaiseLineSpeed() {
  // Asking the loader for a speed this port can't follow would leave it
  // talking where we can't hear: such a speed is never asked for.
  if (!port->CanRunAt(speed)) {
    protocol.Log(protocol.FormatText(text::kSpeedUnavailable, static_cast<int>(speed), static_cast<int>(kUploadSpeed)),
                 kGrey);
    return kStatusOk;
  }
  const LinkStatus sent = protocol.SendCommand(kCmdLineSpeed, speed, 0);
  if (sent != kStatusOk) return protocol.ReportError(sent, kUnitBase, 111, StopRequest::No);
  // A refused or unanswered speed leaves the line at 115200.
  if (protocol.ReadResponse() != kStatusOk) return kStatusOk;
  const LinkStatus switched = protocol.SetLineSpeed(speed);
  if (switched != kStatusOk) {
    // The loader has switched and we can't follow: end the connection, so
    // the loader gets its disconnect as the port closes rather than a new
    // boot dialogue at the wrong speed.
    protocol.SetLoaderActive();
    return protocol.ReportError(switched, kUnitBase, 117, StopRequest::Yes);
  }
  return kStatusOk;
}

LinkStatus SerialLink::RunDump() {
  const uint32_t failuresBefore = protocol.FailureCount();
  owner.OnLinkBusy();
  protocol.Log(protocol.FormatText(text::kOffsetSize, request.offset, request.size), kGrey);
  TakeCommand(LinkCommand::Dump);
  TransferOutcome outcome;
  const ResumePlan plan = request.resume ? PlanResume(request.fileName, {request.offset, request.size}) : ResumePlan{};
  if (plan.verdict == ResumeVerdict::Complete || plan.verdict == ResumeVerdict::Refused) {
    // Nothing to ask of the loader.
    const bool complete = plan.verdict == ResumeVerdict::Complete;
    protocol.Log(app.TextWithName(complete ? text::kDumpComplete : text::kResumeRefused, request.fileName),
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
    protocol.Log(line, kGrey);
  }
  LinkStatus status = protocol.SetLoaderState(kStateDumpParts[0], kStateDumpParts[1]);
  if (status != kStatusOk) protocol.ReportError(status, kUnitBase, 197, StopRequest::No);
  status = protocol.DumpToFile(request.fileName.c_str(), request.offset, request.size, &outcome, plan.kept);
  if (status != kStatusOk) protocol.ReportError(status, kUnitBase, 199, StopRequest::No);
  status = protocol.SetLoaderState(kStateIdleParts[0], kStateIdleParts[1]);
  if (status != kStatusOk) protocol.ReportError(status, kUnitBase, 201, StopRequest::No);
  outcome.clean = protocol.FailureCount() == failuresBefore;
  owner.OnLoaderReady();
  owner.OnTransferEnded(outcome);  // last: the command has ended
  return kStatusOk;
}

LinkStatus SerialLink::RunFlash() {
  const uint32_t failuresBefore = protocol.FailureCount();
  TransferOutcome outcome{TransferKind::Flash};
  // The outcome is told last: the command has ended. A stop that waited
  // for the flash takes effect then.
  auto finish = [&](LinkStatus status) {
    outcome.clean = protocol.FailureCount() == failuresBefore;
    if (protocol.TakeHeldStop()) command.store(LinkCommand::Stop);
    owner.OnTransferEnded(outcome);
    return status;
  };
  owner.OnLinkBusy();
  protocol.Log(protocol.FormatText(text::kOffsetSize, request.offset, request.size), kGrey);
  TakeCommand(LinkCommand::Flash);
  LinkStatus status = protocol.SetLoaderState(kStateFlashParts[0], kStateFlashParts[1]);
  if (status != kStatusOk) return finish(protocol.ReportError(status, kUnitBase, 228, StopRequest::No));
  FlashedImage image;
  status = protocol.FlashFromFile(request.fileName.c_str(), request.offset, &outcome, &image);
  if (status != kStatusOk) protocol.ReportError(status, kUnitBase, 230, StopRequest::No);
  status = protocol.SetLoaderState(kStateIdleParts[0], kStateIdleParts[1]);
  if (status != kStatusOk) return finish(protocol.ReportError(status, kUnitBase, 232, StopRequest::No));
  // Only a flash the loader confirmed whole is read back: anything less
  // has been reported already and would only be found to differ.
  if (request.verify && outcome.status == kStatusOk && outcome.confirmed && !protocol.StopAsked()) {
    outcome.verify = VerifyFlash(outcome.bytes, image);
  }
  owner.OnLoaderReady();
  return finish(kStatusOk);
}

}  // namespace varnel
