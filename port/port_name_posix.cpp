// Port names on POSIX: "COMn" through the settings file's port map, else
// the USB serial adapter /dev/ttyUSB(n-1).
#include <charconv>
#include <limits>
#include <string_view>

#include "port/port_name.h"
#include "settings/port_options.h"

namespace varnel {
namespace {

constexpr std::string_view kDefaultDevicePrefix = "/dev/ttyUSB";

}  // namespace

const char kPortNameHelp[] =
    "COMn, looked up in section [Ports] of Varnel.ini (e.g.\n"
    "COM1=/dev/ttyUSB0), else /dev/ttyUSB(n-1); or a device\n"
    "path such as /dev/ttyACM0, or the adapter's link in\n"
    "/dev/serial/by-id, which names the same adapter\n"
    "whichever ttyUSB number it gets (see \"ports\")\n";

std::string ResolvePortName(const std::string& name, const std::filesystem::path& settingsFile) {
  return ResolvePortName(name, Profile::Load(settingsFile));
}

std::optional<std::string> PortMapEntry(const std::string& name, const Profile& settings) {
  if (name.find('/') != std::string::npos || ComPortNumber(name) < 1) return std::nullopt;
  std::string mapped = settings.Text(kPortsSection, name, "");
  if (mapped.empty()) return std::nullopt;
  return mapped;
}

std::string ResolvePortName(const std::string& name, const Profile& settings) {
  if (const std::optional<std::string> mapped = PortMapEntry(name, settings)) return *mapped;
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
