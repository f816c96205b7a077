// The choices of the Options dialog (port, line speed, block size) and how
// they map to and from the main window's ComPort, ComSpeed and BlockSize.
// An index is the position of the chosen button in its group, kNoChoice
// when none is chosen. Values the dialog does not offer show as no choice
// and survive unless the user picks another; a port is the exception: no
// port chosen stores port 0. Qt-free, any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "format/wire_format.h"

namespace varnel {

inline constexpr int kNoChoice = -1;
inline constexpr int kPortChoiceCount = 8;  // "COM1" .. "COM8"
// The line speeds (bit/s) and block sizes (bytes) the program offers, the
// first of each its default; the command-line tool takes the same.
inline constexpr std::array<uint32_t, 3> kSpeedChoices = {kUploadSpeed, 230400, 460800};
inline constexpr std::array<uint32_t, 4> kBlockChoices = {1024, 2048, 4096, kMaxBlockData};

struct PortSettings {
  int32_t comPort = 0;
  int32_t comSpeed = 0;
  int32_t blockSize = 0;

  bool operator==(const PortSettings&) const = default;
};

// Port index is ComPort - 1 whatever its value (64 bits, so that no stored
// port overflows); speed and block index are kNoChoice for a value not
// offered.
struct OptionChoices {
  int64_t port = kNoChoice;
  int speed = kNoChoice;
  int block = kNoChoice;

  bool operator==(const OptionChoices&) const = default;
};

// The indexes the dialog opens with.
OptionChoices ChoicesFor(const PortSettings& settings);

// `current` with the dialog's result applied: speed and block size when
// their index names an offered value, else unchanged; the port always,
// index + 1 (so kNoChoice gives 0, and the opening index gives back the
// port it came from).
PortSettings ApplyChoices(const OptionChoices& choices, PortSettings current);

}  // namespace varnel
