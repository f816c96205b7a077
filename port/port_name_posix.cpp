// Port names on POSIX: "COMn" is the USB serial adapter /dev/ttyUSB(n-1).
#include "port/port_name.h"

#include <charconv>
#include <limits>

namespace varnel {
namespace {

constexpr std::string_view kDefaultDevicePrefix = "/dev/ttyUSB";

}  // namespace

std::string DefaultDevice(const std::string& name) {
  const int number = ComPortNumber(name);
  if (name.find('/') != std::string::npos || number < 1) return name;
  return std::string(kDefaultDevicePrefix) + std::to_string(number - 1);
}

std::string DefaultPortName(const std::string& device) {
  const std::string_view view = device;
  if (!view.starts_with(kDefaultDevicePrefix)) return {};
  const std::string_view digits = view.substr(kDefaultDevicePrefix.size());
  unsigned index = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
  // COM numbers are ints from 1.
  if (error != std::errc() || end != digits.data() + digits.size() ||
      index >= static_cast<unsigned>(std::numeric_limits<int>::max())) {
    return {};
  }
  return PortName(int64_t{index} + 1);
}

}  // namespace varnel
