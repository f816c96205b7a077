// The progress display's arithmetic.
#include "gui/progress_scale.h"

#include <algorithm>

namespace varnel {
namespace {

uint32_t NonZero(uint32_t unit) { return std::max<uint32_t>(unit, 1); }

}  // namespace

uint16_t ProgressUpperBound(uint32_t total, uint32_t unit) {
  // Wraps below 0 like the 16-bit range it models: a total under one unit
  // gives the full range.
  return static_cast<uint16_t>(total / NonZero(unit) - 1);
}

int ProgressPosition(uint32_t done, uint32_t unit, uint16_t upperBound) {
  const int64_t position = static_cast<int64_t>(done / NonZero(unit)) - 1;
  return static_cast<int>(std::clamp<int64_t>(position, 0, upperBound));
}

std::string ProgressCounterText(uint32_t done, uint32_t total) {
  return std::to_string(done) + "/" + std::to_string(total);
}

}  // namespace varnel
