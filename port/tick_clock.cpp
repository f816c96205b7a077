// Tick counter on the steady clock.
#include "port/tick_clock.h"

#include <chrono>
#include <thread>

namespace varnel {

uint32_t TickCount() {
  using std::chrono::duration_cast;
  using std::chrono::milliseconds;
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(duration_cast<milliseconds>(now).count());
}

void SleepMs(uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace varnel
