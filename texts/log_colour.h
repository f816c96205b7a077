// Colours of log lines, as 0x00BBGGRR (red in the low byte).
#pragma once

#include <cstdint>

namespace varnel {

using LogColour = uint32_t;

inline constexpr LogColour kBlack = 0x000000;
inline constexpr LogColour kGrey = 0x7F7F7F;
inline constexpr LogColour kGreen = 0x32C832;
inline constexpr LogColour kRed = 0x0000FF;  // error reports

}  // namespace varnel
