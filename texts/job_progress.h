// JobProgress: one progress display over all the transfers of a job (a
// backup's two dumps, a restore's flashes and read-backs), so its counter,
// rate and time left count what is still to come in every part. Each
// transfer still drives the display as it always does; a front end passes
// its calls through this while a job runs. Qt-free; the thread that shows
// the progress.
#pragma once

#include <cstdint>

namespace varnel {

class JobProgress {
 public:
  // A job of `total` units begins / has ended.
  void Start(uint32_t total);
  void Stop() { active = false; }
  bool Active() const { return active; }

  // A transfer's display begins with `total` units of its own. The total to
  // show, and whether the display starts afresh: always without a job, for
  // the job's first transfer with one.
  uint32_t Begin(uint32_t total, bool* fresh);
  // A transfer's `done` units: the job's done units.
  uint32_t Step(uint32_t done);
  // Whether a transfer's end hides the display: not while a job runs.
  bool Hides() const { return !active; }

 private:
  bool active = false;
  bool begun = false;
  uint32_t jobTotal = 0;
  uint32_t base = 0;      // the units of the job's transfers before this one
  uint32_t lastDone = 0;  // this transfer's units so far
};

}  // namespace varnel
