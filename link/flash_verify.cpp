// Verify after flash: the flashed region is read back with the loader's
// ordinary dump into a temporary file, compared with the image file a chunk
// at a time, and the temporary file removed. The result goes to the log:
// "Verify OK" in green, or in red the first differing address and how many
// bytes differ, or that the region or the file could not be read.
#include <chrono>
#include <filesystem>
#include <system_error>

#include "format/wire_format.h"
#include "link/file_compare.h"
#include "link/serial_link.h"

namespace varnel {
namespace {

// A name of our own in the system's temporary folder; empty when there is
// none.
std::filesystem::path ReadBackPath() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error) return {};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  return folder / ("varnel-verify-" + std::to_string(stamp) + ".bin");
}

// Removes the read-back file however the verify ends.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::filesystem::path file) : path(std::move(file)) {}
  ~TemporaryFile() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove(path, ignored);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::filesystem::path& Path() const { return path; }

 private:
  std::filesystem::path path;
};

}  // namespace

VerifyResult SerialLink::VerifyFlash(uint32_t bytes) {
  protocol.Log(app.Text(text::kVerifying), kGrey);
  const TemporaryFile readBack(ReadBackPath());
  const std::string readBackName = readBack.Path().string();
  LinkStatus status = protocol.SetLoaderState(kStateDumpParts[0], kStateDumpParts[1]);
  if (status != kStatusOk) protocol.ReportError(status, kUnitBase, 240, Stop::No);
  TransferOutcome dump;
  if (!readBackName.empty()) {
    status = protocol.DumpToFile(readBackName.c_str(), request.offset, bytes, &dump);
    if (status != kStatusOk) protocol.ReportError(status, kUnitBase, 242, Stop::No);
  }
  status = protocol.SetLoaderState(kStateIdleParts[0], kStateIdleParts[1]);
  if (status != kStatusOk) protocol.ReportError(status, kUnitBase, 244, Stop::No);
  if (readBackName.empty() || dump.status != kStatusOk || !dump.confirmed || dump.bytes != bytes) {
    protocol.Log(app.Text(text::kVerifyIncomplete), kRed);
    return VerifyResult::Incomplete;
  }

  std::string reason;
  TransferFile image = TransferFile::OpenForReading(request.fileName.c_str(), &reason);
  TransferFile region = TransferFile::OpenForReading(readBackName.c_str(), &reason);
  const FileDifference difference = image.IsOpen() && region.IsOpen() ? CompareFiles(image, region, bytes)
                                                                      : FileDifference{};
  if (!difference.readable) {
    protocol.Log(protocol.FormatText(text::kVerifyCantCompare, request.fileName.c_str()), kRed);
    if (!reason.empty()) protocol.LogSystemReason(reason);
    return VerifyResult::Incomplete;
  }
  if (difference.differing == 0) {
    protocol.Log(app.Text(text::kVerifyOk), kGreen);
    return VerifyResult::Match;
  }
  protocol.Log(protocol.FormatText(text::kVerifyMismatch, static_cast<unsigned>(request.offset + difference.first),
                                   static_cast<unsigned>(difference.differing)),
               kRed);
  return VerifyResult::Mismatch;
}

}  // namespace varnel
