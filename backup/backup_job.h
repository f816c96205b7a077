// BackupJob: the whole handset backed up into a folder: bank 1 and bank 2
// dumped whole into bank1.bin and bank2.bin, and the manifest backup.txt
// (backup/backup_manifest.h) rewritten after each part. A folder that holds
// a partial backup (a part cut off, with the record of its region beside
// it) goes on where it stopped; one that holds a complete backup is not
// touched unless asked to start anew. Runs as a TransferJob.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "backup/backup_manifest.h"
#include "backup/transfer_job.h"
#include "link/link_owner.h"
#include "texts/application.h"

namespace varnel {

// Whether a complete backup already in the folder is replaced.
enum class StartAnew { No, Yes };

// The connection a backup goes over, for its manifest.
struct BackupLine {
  std::string port;
  uint32_t speed = 0;
};

class BackupJob : public TransferJob {
 public:
  // `folder` is a narrow name; `app` and `log` outlive the job.
  BackupJob(const Application& app, LinkOwner& log, std::string folder, BackupLine line, StartAnew anew);

  // Makes the folder when it is not there (private), then plans each part:
  // whole, gone on with, or done already. False, said in red, when the
  // folder holds a complete backup (and StartAnew::No) or a part's file is
  // not from this backup.
  bool Begin() override;
  std::optional<TransferRequest> Next() override;
  // A part is done when its file holds the whole bank: its SHA-256 goes
  // into the manifest.
  bool PartEnded(const TransferOutcome& outcome) override;
  bool Finish() override;
  uint64_t TotalBytes() const override { return totalBytes; }

 private:
  std::string PartPath(const BackupPart& part) const;
  bool WriteManifest();

  const Application& app;
  LinkOwner& log;
  std::string folder;
  StartAnew anew;
  BackupManifest manifest;
  size_t next = 0;  // the part Next gives
  uint64_t totalBytes = 0;
  std::chrono::steady_clock::time_point started;
};

}  // namespace varnel
