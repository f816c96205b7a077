// The progress display's arithmetic: the bar counts whole units of the
// caller's choice in a range whose upper bound is held in 16 bits, and the
// counter shows "done/total". Qt-free, any thread.
#pragma once

#include <cstdint>
#include <string>

namespace varnel {

// The bar's upper bound for a transfer of `total`: total / unit - 1 in
// integer arithmetic, reduced to its low 16 bits (8 MiB at a unit of 128
// gives 65535). A unit of 0 counts as 1.
uint16_t ProgressUpperBound(uint32_t total, uint32_t unit);

// The bar's position after `done`: done / unit - 1, held within 0 and
// `upperBound` (below 0 the bar is empty). A unit of 0 counts as 1.
int ProgressPosition(uint32_t done, uint32_t unit, uint16_t upperBound);

// The counter's text: both numbers unsigned in decimal, "1024/8388608".
std::string ProgressCounterText(uint32_t done, uint32_t total);

}  // namespace varnel
