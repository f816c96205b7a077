// TransferJob: a job of several dumps or flashes on one connection (a
// backup of the whole handset, its restore), run the same way by every
// front end: Begin, then for each Next request hand it to the link and,
// once the link tells the transfer's outcome, PartEnded; Finish at the end,
// whether or not every part was done. The job logs through the owner it was
// given. Calls come from the front end's own thread, never the worker's.
#pragma once

#include <cstdint>
#include <optional>

#include "link/link_outcome.h"

namespace varnel {

class TransferJob {
 public:
  virtual ~TransferJob() = default;

  // Checks and prepares the job; false, having said why, when it can't
  // run (nothing has been sent).
  virtual bool Begin() = 0;
  // The next transfer, or none when the job is done.
  virtual std::optional<TransferRequest> Next() = 0;
  // The outcome of the transfer Next gave; false when the job must end
  // here.
  virtual bool PartEnded(const TransferOutcome& outcome) = 0;
  // Says how the job ended; true when all of it was done.
  virtual bool Finish() = 0;
  // The bytes all of the job's transfers move, for one progress display.
  virtual uint64_t TotalBytes() const = 0;
};

}  // namespace varnel
