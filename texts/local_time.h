// The local calendar time of a moment, safe to call from any thread.
#pragma once

#include <ctime>

namespace varnel {

std::tm LocalTime(std::time_t when);

}  // namespace varnel
