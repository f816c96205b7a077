// The rate of a transfer and the time its rest will take, as the progress
// displays show them: RateMeter follows the amount done over the last few
// seconds, so a stall or a change of line speed shows within seconds; the
// text functions give "44.9 KiB/s", "0:52" and "44.9 KiB/s, 0:52 left" in
// the program's language. Qt-free; one thread per meter.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "texts/application.h"

namespace varnel {

class RateMeter {
 public:
  using Clock = std::chrono::steady_clock;
  // The rate is taken over this much of the most recent progress...
  static constexpr Clock::duration kWindow = std::chrono::seconds(3);
  // ...and shown once progress has been seen for this long.
  static constexpr Clock::duration kSettle = std::chrono::milliseconds(750);
  // A display shows a new rate at most this often.
  static constexpr Clock::duration kRefresh = std::chrono::milliseconds(250);

  // A new transfer of `total` units (bytes, or characters of text).
  void Start(uint32_t total, Clock::time_point now);
  // `done` units of the total by `now`.
  void Step(uint32_t done, Clock::time_point now);

  // Units a second over the recent window; none before kSettle has passed.
  std::optional<double> PerSecond() const;
  // Whole seconds the rest takes at that rate (rounded up); none without a
  // rate, or while nothing moves.
  std::optional<uint32_t> SecondsLeft() const;
  // Whether a display should show the rate anew by `now`: true at most
  // once per kRefresh, and not before the rate settles.
  bool RefreshDue(Clock::time_point now);
  uint32_t Done() const { return done; }
  uint32_t Total() const { return total; }

 private:
  struct Sample {
    Clock::time_point at;
    uint32_t done;
  };
  std::deque<Sample> samples;  // oldest first, spanning at most kWindow and one more
  uint32_t total = 0;
  uint32_t done = 0;
  std::optional<Clock::time_point> shown;  // when a display last took the rate
};

// "44.9 KiB/s" for bytes a second.
std::string RateText(const Application& app, double bytesPerSecond);
// "0:52", "12:05": minutes and seconds, the minutes unbounded.
std::string DurationText(uint32_t seconds);
// "44.9 KiB/s, 0:52 left", or just the rate when the time is not known;
// empty when the meter has no rate yet.
std::string RateAndTimeLeftText(const Application& app, const RateMeter& meter);

}  // namespace varnel
