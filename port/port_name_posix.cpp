// Port names on POSIX: "COMn" through the settings file's port map.
#include <charconv>

#include "format/working_dir_file.h"
#include "port/port_name.h"
#include "settings/profile_store.h"

namespace varnel {
namespace {

constexpr std::string_view kComPrefix = "COM";
constexpr char kDefaultDevicePrefix[] = "/dev/ttyUSB";

}  // namespace

const char kPortNameHelp[] =
    "COMn, looked up in section [Ports] of Varnel.ini (e.g.\n"
    "COM1=/dev/ttyUSB0), else /dev/ttyUSB(n-1); or a device\n"
    "path such as /dev/ttyACM0\n";

std::string ResolvePortName(const std::string& name, const std::filesystem::path& settingsFile) {
  if (name.find('/') != std::string::npos) return name;
  std::string_view view(name);
  if (view.size() <= kComPrefix.size() || !EqualsIgnoringCase(view.substr(0, kComPrefix.size()), kComPrefix)) {
    return name;
  }
  std::string_view digits = view.substr(kComPrefix.size());
  int number = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size() || number < 1) return name;
  std::string mapped = ReadProfileText(settingsFile, kPortsSection, name, "");
  if (!mapped.empty()) return mapped;
  return kDefaultDevicePrefix + std::to_string(number - 1);
}

}  // namespace varnel
