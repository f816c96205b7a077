// Line-rate bookkeeping: each direction is a queue of byte slots; a new run
// starts when the line is free or now, whichever is later; a run that
// follows the last one closely enough continues it without a gap.
#include "sim/line_pacer.h"

#include <algorithm>

#include "format/wire_format.h"

namespace varnel::sim {
namespace {

// Bytes handed over this soon after the line went idle still follow the
// previous ones back to back, as from a UART's buffer: the handset's own
// wake-up latency must not open gaps a real cable would not have.
constexpr auto kBufferSlack = std::chrono::milliseconds(2);

PaceClock::time_point RunStart(PaceClock::time_point now, PaceClock::time_point lineFree) {
  return now <= lineFree + kBufferSlack ? lineFree : now;
}

}  // namespace

PaceClock::duration LinePacer::ByteTime(uint32_t speed) const {
  if (!Enabled() || speed == 0) return PaceClock::duration::zero();
  return std::chrono::duration_cast<PaceClock::duration>(std::chrono::nanoseconds(std::chrono::seconds(1)) *
                                                         kLineBitsPerByte / speed);
}

PaceClock::time_point LinePacer::BookOutput(size_t count, uint32_t speed) {
  PaceClock::time_point now = PaceClock::now();
  if (!Enabled()) return now;
  PaceClock::time_point start = RunStart(now, outputFree);
  outputFree = start + ByteTime(speed) * static_cast<int64_t>(count);
  return outputFree;
}

PaceClock::time_point LinePacer::BookInput(size_t count, uint32_t speed) {
  PaceClock::time_point now = PaceClock::now();
  if (!Enabled()) return now;
  PaceClock::time_point start = std::max(RunStart(now, inputFree), delivered);
  PaceClock::duration byte = ByteTime(speed);
  inputFree = start + byte * static_cast<int64_t>(count);
  return start + byte;
}

}  // namespace varnel::sim
