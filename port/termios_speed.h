// The line speeds a POSIX serial device takes, bit/s and their termios
// codes, once for the program's port and the simulated handset's two ends.
// Header only, so that the simulator needs no port library. POSIX only.
#pragma once

#include <termios.h>

#include <array>
#include <cstdint>
#include <optional>

namespace varnel {

struct TermiosSpeed {
  uint32_t bitsPerSecond;
  speed_t code;
};

inline constexpr std::array<TermiosSpeed, 20> kTermiosSpeeds = {{
    {300, B300},         {600, B600},         {1200, B1200},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},     {115200, B115200},
    {230400, B230400},   {460800, B460800},   {500000, B500000},   {576000, B576000},   {921600, B921600},
    {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000}, {3000000, B3000000},
}};

// The code of `bitsPerSecond`; none for a speed the table lacks.
inline std::optional<speed_t> TermiosSpeedCode(uint32_t bitsPerSecond) {
  for (const TermiosSpeed& entry : kTermiosSpeeds) {
    if (entry.bitsPerSecond == bitsPerSecond) return entry.code;
  }
  return std::nullopt;
}

// The bit/s of `code`; 0 for a code the table lacks.
inline uint32_t TermiosSpeedValue(speed_t code) {
  for (const TermiosSpeed& entry : kTermiosSpeeds) {
    if (entry.code == code) return entry.bitsPerSecond;
  }
  return 0;
}

}  // namespace varnel
