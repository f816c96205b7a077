// LinkCommand: what the worker does next. The window writes it (last, after
// the transfer parameters); the worker reads it once per loop turn.
#pragma once

#include <cstdint>

namespace varnel {

using LinkCommand = uint32_t;

inline constexpr LinkCommand kCommandConnect = 1;  // wait for the handset, connect
inline constexpr LinkCommand kCommandDump = 2;
inline constexpr LinkCommand kCommandFlash = 3;
inline constexpr LinkCommand kCommandStop = 6;
inline constexpr LinkCommand kCommandIdle = 7;     // read and drop what arrives

}  // namespace varnel
