// Mapping the Options dialog's indexes to the port settings and back.
#include "settings/port_options.h"

#include <algorithm>
#include <iterator>

namespace varnel {
namespace {

// A stored value may be any 32-bit number, negative too: compared in 64 bits.
template <size_t N>
int IndexOf(const std::array<uint32_t, N>& choices, int32_t value) {
  const auto it =
      std::find_if(choices.begin(), choices.end(), [value](uint32_t choice) { return int64_t{choice} == value; });
  return it == choices.end() ? kNoChoice : static_cast<int>(std::distance(choices.begin(), it));
}

template <size_t N>
int32_t ValueAt(const std::array<uint32_t, N>& choices, int index, int32_t otherwise) {
  return index >= 0 && static_cast<size_t>(index) < N ? static_cast<int32_t>(choices[static_cast<size_t>(index)])
                                                      : otherwise;
}

}  // namespace

OptionChoices ChoicesFor(const PortSettings& settings) {
  OptionChoices choices;
  choices.port = int64_t{settings.comPort} - 1;
  choices.speed = IndexOf(kSpeedChoices, settings.comSpeed);
  choices.block = IndexOf(kBlockChoices, settings.blockSize);
  return choices;
}

PortSettings ApplyChoices(const OptionChoices& choices, PortSettings current) {
  current.comSpeed = ValueAt(kSpeedChoices, choices.speed, current.comSpeed);
  // Only an index taken from a 32-bit port, or a button's, comes back.
  current.comPort = static_cast<int32_t>(choices.port + 1);
  current.blockSize = ValueAt(kBlockChoices, choices.block, current.blockSize);
  return current;
}

}  // namespace varnel
