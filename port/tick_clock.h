// The millisecond tick counter and the sleep that every wait on the serial
// line polls with. Any thread.
#pragma once

#include <cstdint>

namespace varnel {

// Milliseconds since an arbitrary start; wraps at 2^32, so compare readings
// by their unsigned difference.
uint32_t TickCount();

void SleepMs(uint32_t milliseconds);

inline constexpr uint32_t kPollIntervalMs = 1;

}  // namespace varnel
