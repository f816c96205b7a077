// A backup of both banks: planning, one dump per part, the manifest.
#include "backup/backup_job.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "backup/file_digest.h"
#include "backup/job_log.h"
#include "files/narrow_path.h"
#include "files/private_dir.h"
#include "files/replace_file.h"
#include "link/dump_resume.h"
#include "texts/code_page.h"
#include "texts/program_version.h"

namespace varnel {

BackupJob::BackupJob(const Application& application, LinkOwner& owner, std::string backupFolder, BackupLine line,
                     StartAnew startAnew)
    : app(application), log(owner), folder(std::move(backupFolder)), anew(startAnew) {
  manifest.port = std::move(line.port);
  manifest.speed = line.speed;
}

std::string BackupJob::PartPath(const BackupPart& part) const {
  return NarrowFromPath(PathFromNarrow(folder) / part.file);
}

bool BackupJob::Begin() {
  const std::filesystem::path manifestPath = PathFromNarrow(folder) / kManifestName;
  if (!MakePrivateDir(PathFromNarrow(folder))) {
    log.AppendLog(app.TextWithName(text::kBackupIncomplete, folder).c_str(), kRed);
    return false;
  }
  const std::optional<BackupManifest> found = ReadManifest(manifestPath);
  if (anew == StartAnew::No && found && found->Complete()) {
    log.AppendLog(app.TextWithName(text::kBackupExists, folder).c_str(), kRed);
    return false;
  }
  for (const BackupPart& part : kBackupParts) {
    const std::string path = PartPath(part);
    if (anew == StartAnew::Yes) {
      std::error_code ignored;
      std::filesystem::remove(PathFromNarrow(path), ignored);
      RemoveDumpRecord(path);
    }
    const ResumePlan plan = PlanResume(path, part.region);
    if (plan.verdict == ResumeVerdict::Refused) {
      log.AppendLog(app.TextWithName(text::kBackupForeignFile, path).c_str(), kRed);
      return false;
    }
    totalBytes += part.region.size - plan.kept;
    ManifestPart entry{part.file, part.region, false, {}};
    // A part found whole counts once its digest is known (it may be one
    // that a dump finished while the manifest was not written).
    if (plan.verdict == ResumeVerdict::Complete) {
      if (const std::optional<std::string> digest = FileSha256(path)) entry = {part.file, part.region, true, *digest};
    }
    manifest.parts.push_back(entry);
  }
  manifest.version = ProgramVersionText();
  manifest.date = JobDateTime(std::time(nullptr));
  started = std::chrono::steady_clock::now();
  return WriteManifest();
}

std::optional<TransferRequest> BackupJob::Next() {
  for (; next < kBackupParts.size(); ++next) {
    const BackupPart& part = kBackupParts[next];
    if (manifest.parts[next].complete) continue;
    const std::string path = PartPath(part);
    char line[text::kTextCapacity + 1];
    std::snprintf(line, sizeof line, app.Text(text::kBackupPartStarts).c_str(), part.label,
                  static_cast<unsigned>(part.region.offset), static_cast<unsigned>(part.region.size),
                  NarrowToCodePage(path, app.CodePage()).c_str());
    log.AppendLog(line, kGrey);
    return TransferRequest{TransferKind::Dump, part.region.offset, part.region.size, path, false, true};
  }
  return std::nullopt;
}

bool BackupJob::PartEnded(const TransferOutcome& outcome) {
  ManifestPart& entry = manifest.parts[next];
  const std::string path = PartPath(kBackupParts[next++]);
  if (outcome.status == kStatusOk && outcome.bytes == entry.region.size) {
    if (const std::optional<std::string> digest = FileSha256(path)) {
      entry.complete = true;
      entry.sha256 = *digest;
    }
  }
  return WriteManifest() && entry.complete;
}

bool BackupJob::Finish() {
  const bool complete = manifest.Complete();
  if (complete) {
    LogJobAverage(app, log, started, totalBytes);
    log.AppendLog(app.TextWithName(text::kBackupComplete, folder).c_str(), kGreen);
  } else {
    log.AppendLog(app.TextWithName(text::kBackupIncomplete, folder).c_str(), kRed);
  }
  return complete;
}

bool BackupJob::WriteManifest() {
  std::string reason;
  if (ReplaceFile(PathFromNarrow(folder) / kManifestName, ManifestText(manifest), &reason)) return true;
  log.AppendLog(app.TextWithName(text::kBackupIncomplete, folder).c_str(), kRed);
  log.AppendLog(NarrowToCodePage(reason, app.CodePage()).c_str(), kGrey);
  return false;
}

}  // namespace varnel
