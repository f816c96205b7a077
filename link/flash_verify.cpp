// Verify after flash: the flashed region is read back with the loader's
// ordinary dump into a temporary file that has no name (nobody else can
// open it, and nothing is left behind however the program ends), then
// compared a chunk at a time with the image as it was flashed: the file the
// flash read, still open, provided it has not changed since. The result
// goes to the log: "Verify OK" in green, or in red the first differing
// address and how many bytes differ, or why there is no verdict.
#include "format/wire_format.h"
#include "link/file_compare.h"
#include "link/serial_link.h"

namespace varnel {

VerifyResult SerialLink::VerifyFlash(uint32_t bytes, FlashedImage& image) {
  protocol.line.Log(app.Text(text::kVerifying), kGrey);
  std::string reason;
  TransferFile readBack = TransferFile::CreateTemporary(&reason);
  LinkStatus status = protocol.commands.SetLoaderState(kStateDumpParts[0], kStateDumpParts[1]);
  if (status != kStatusOk) protocol.line.ReportError(status, kUnitBase, 240, StopRequest::No);
  TransferOutcome dump;
  if (readBack.IsOpen()) {
    status = protocol.transfers.DumpIntoFile(readBack, request.offset, bytes, &dump);
    if (status != kStatusOk) protocol.line.ReportError(status, kUnitBase, 242, StopRequest::No);
  }
  status = protocol.commands.SetLoaderState(kStateIdleParts[0], kStateIdleParts[1]);
  if (status != kStatusOk) protocol.line.ReportError(status, kUnitBase, 244, StopRequest::No);
  if (!readBack.IsOpen() || dump.status != kStatusOk || !dump.confirmed || dump.bytes != bytes) {
    protocol.line.Log(app.Text(text::kVerifyIncomplete), kRed);
    if (!readBack.IsOpen()) protocol.line.LogSystemReason(reason);
    return VerifyResult::Incomplete;
  }
  // A verdict on an image that changed since it was flashed would judge
  // bytes that were never sent.
  if (!(image.file.Stamp() == image.stamp)) {
    protocol.line.Log(app.TextWithName(text::kVerifyImageChanged, request.fileName), kRed);
    return VerifyResult::Incomplete;
  }
  const FileDifference difference =
      image.file.Rewind() && readBack.Rewind() ? CompareFiles(image.file, readBack, bytes) : FileDifference{};
  if (!difference.readable) {
    protocol.line.Log(app.TextWithName(text::kVerifyCantCompare, request.fileName), kRed);
    return VerifyResult::Incomplete;
  }
  if (difference.differing == 0) {
    protocol.line.Log(app.Text(text::kVerifyOk), kGreen);
    return VerifyResult::Match;
  }
  protocol.line.Log(
      protocol.line.FormatText(text::kVerifyMismatch, static_cast<unsigned>(request.offset + difference.first),
                               static_cast<unsigned>(difference.differing)),
      kRed);
  return VerifyResult::Mismatch;
}

}  // namespace varnel
