// LinePacer: line-rate timing for the simulated cable. With pacing on, a
// byte takes 10 bit times to cross (start, 8 data, stop), in each direction
// independently. One thread at a time (the handset's).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace varnel::sim {

enum class Pacing {
  kOff,       // bytes cross as fast as the pseudo-terminal moves them
  kLineRate,  // bytes cross at speed / 10 bytes per second
};

using PaceClock = std::chrono::steady_clock;

class LinePacer {
 public:
  explicit LinePacer(Pacing mode) : pacing(mode) {}

  bool Enabled() const { return pacing == Pacing::kLineRate; }

  // Time one byte takes at `speed` bit/s; zero when pacing is off or the
  // speed is unknown.
  PaceClock::duration ByteTime(uint32_t speed) const;

  // Books `count` bytes going out at `speed` now: returns the instant the
  // last of them has crossed, when the receiver may see them.
  PaceClock::time_point BookOutput(size_t count, uint32_t speed);

  // Books `count` bytes that came in at `speed` now: returns the instant the
  // first of them has crossed; each further byte one ByteTime later.
  PaceClock::time_point BookInput(size_t count, uint32_t speed);

  // The handset's bytes reached the program now. The program's answer to
  // them can't have started crossing before this, however soon after the
  // previous input it is read.
  void NoteDelivered() { delivered = PaceClock::now(); }

 private:
  Pacing pacing;
  PaceClock::time_point outputFree{};
  PaceClock::time_point inputFree{};
  PaceClock::time_point delivered{};
};

}  // namespace varnel::sim
