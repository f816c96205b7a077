// A job's progress over its transfers.
#include "texts/job_progress.h"

namespace varnel {

void JobProgress::Start(uint32_t total) {
  active = true;
  begun = false;
  jobTotal = total;
  base = 0;
  lastDone = 0;
}

uint32_t JobProgress::Begin(uint32_t total, bool* fresh) {
  *fresh = !active || !begun;
  if (!active) return total;
  base += lastDone;
  lastDone = 0;
  begun = true;
  return jobTotal;
}

uint32_t JobProgress::Step(uint32_t done) {
  if (!active) return done;
  lastDone = done;
  return base + done;
}

}  // namespace varnel
