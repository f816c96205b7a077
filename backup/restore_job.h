// RestoreJob: a backup written back into the handset with proof: every
// part of the manifest is checked against its SHA-256 before anything is
// sent (a changed, missing or incomplete part stops the restore there),
// then each part is flashed to its address and read back (always), and the
// log ends with one line per part ("bank 2: restored and verified"). A stop
// follows the rules of a flash. Runs as a TransferJob.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "backup/backup_manifest.h"
#include "backup/transfer_job.h"
#include "link/link_owner.h"
#include "texts/application.h"

namespace varnel {

class RestoreJob : public TransferJob {
 public:
  // `folder` is a narrow name; `app` and `log` outlive the job.
  RestoreJob(const Application& app, LinkOwner& log, std::string folder);

  // Reads the manifest and checks every part; false, said in red, when the
  // backup is not complete and intact.
  bool Begin() override;
  std::optional<TransferRequest> Next() override;
  // A part is restored when the loader confirmed its flash and the read-back
  // equals the file.
  bool PartEnded(const TransferOutcome& outcome) override;
  bool Finish() override;
  uint64_t TotalBytes() const override;

 private:
  const Application& app;
  LinkOwner& log;
  std::string folder;
  std::vector<bool> restored;
  size_t next = 0;
  std::chrono::steady_clock::time_point started;
};

// Checks the backup in `folder` without a handset: each part of the
// manifest complete, there, and of the SHA-256 the manifest records; one
// line per part, then whether the backup is complete and intact (the
// result).
bool CheckBackup(const Application& app, LinkOwner& log, const std::string& folder);

}  // namespace varnel
