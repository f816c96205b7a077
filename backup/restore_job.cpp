// Restoring a backup, and checking one.
#include "backup/restore_job.h"

#include <cstdio>

#include "backup/file_digest.h"
#include "backup/job_log.h"
#include "files/narrow_path.h"
#include "texts/code_page.h"

namespace varnel {
namespace {

std::string PartPath(const std::string& folder, const BackupPart& part) {
  return NarrowFromPath(PathFromNarrow(folder) / part.file);
}

// Whether `part` is whole and as the manifest records it; a line says
// which (red when it is not).
bool CheckPart(const Application& app, LinkOwner& log, const std::string& folder, const BackupManifest& manifest,
               const BackupPart& part) {
  const std::string path = PartPath(folder, part);
  const ManifestPart* entry = manifest.Find(part.file);
  uint16_t verdict = text::kPartIntact;
  if (entry == nullptr || !entry->complete || entry->region.offset != part.region.offset ||
      entry->region.size != part.region.size) {
    verdict = text::kPartIncomplete;
  } else if (const std::optional<std::string> digest = FileSha256(path); !digest) {
    verdict = text::kPartMissing;
  } else if (*digest != entry->sha256) {
    verdict = text::kPartChanged;
  }
  log.AppendLog(app.TextWithName(verdict, path).c_str(), verdict == text::kPartIntact ? kGrey : kRed);
  return verdict == text::kPartIntact;
}

// The manifest of `folder`'s backup, every part checked; none, said, when
// it does not read or a part is not intact.
std::optional<BackupManifest> CheckedManifest(const Application& app, LinkOwner& log, const std::string& folder) {
  const std::optional<BackupManifest> manifest = ReadManifest(PathFromNarrow(folder) / kManifestName);
  if (!manifest) {
    log.AppendLog(app.TextWithName(text::kNoBackupThere, folder).c_str(), kRed);
    return std::nullopt;
  }
  bool intact = true;
  for (const BackupPart& part : kBackupParts) intact = CheckPart(app, log, folder, *manifest, part) && intact;
  if (!intact) return std::nullopt;
  return manifest;
}

}  // namespace

RestoreJob::RestoreJob(const Application& application, LinkOwner& owner, std::string backupFolder)
    : app(application), log(owner), folder(std::move(backupFolder)), restored(kBackupParts.size(), false) {}

bool RestoreJob::Begin() {
  if (!CheckedManifest(app, log, folder)) {
    log.AppendLog(app.Text(text::kNothingRestored).c_str(), kRed);
    return false;
  }
  started = std::chrono::steady_clock::now();
  return true;
}

std::optional<TransferRequest> RestoreJob::Next() {
  if (next == kBackupParts.size()) return std::nullopt;
  const BackupPart& part = kBackupParts[next];
  const std::string path = PartPath(folder, part);
  char line[text::kTextCapacity + 1];
  std::snprintf(line, sizeof line, app.Text(text::kRestorePart).c_str(), part.label,
                NarrowToCodePage(path, app.CodePage()).c_str(), static_cast<unsigned>(part.region.offset));
  log.AppendLog(line, kGrey);
  return TransferRequest{TransferKind::Flash, part.region.offset, part.region.size, path, true, false};
}

bool RestoreJob::PartEnded(const TransferOutcome& outcome) {
  const size_t part = next++;
  restored[part] = outcome.status == kStatusOk && outcome.confirmed && outcome.verify == VerifyResult::Match &&
                   outcome.bytes == kBackupParts[part].region.size;
  return restored[part];
}

bool RestoreJob::Finish() {
  bool all = true;
  for (size_t i = 0; i < kBackupParts.size(); ++i) {
    const uint16_t line = restored[i] ? text::kRestoredVerified : text::kNotRestored;
    char text[text::kTextCapacity + 1];
    std::snprintf(text, sizeof text, app.Text(line).c_str(), kBackupParts[i].label);
    log.AppendLog(text, restored[i] ? kGreen : kRed);
    all = all && restored[i];
  }
  if (all) LogJobAverage(app, log, started, TotalBytes());
  return all;
}

uint64_t RestoreJob::TotalBytes() const {
  uint64_t total = 0;
  // Each part is flashed, then read back.
  for (const BackupPart& part : kBackupParts) total += 2 * uint64_t{part.region.size};
  return total;
}

bool CheckBackup(const Application& app, LinkOwner& log, const std::string& folder) {
  const bool intact = CheckedManifest(app, log, folder).has_value();
  log.AppendLog(app.TextWithName(intact ? text::kBackupIntact : text::kBackupNotIntact, folder).c_str(),
                intact ? kGreen : kRed);
  return intact;
}

}  // namespace varnel
