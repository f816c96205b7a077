// The port map's parts that are the same on every system: COM names, where
// a name leads, and which names lead to a device.
#include "port/port_name.h"

#include <algorithm>
#include <charconv>

#include "format/working_dir_file.h"
#include "settings/port_options.h"

namespace varnel {

int ComPortNumber(std::string_view name) {
  const std::string_view prefix = kPortPrefix;
  if (name.size() <= prefix.size() || !EqualsIgnoringCase(name.substr(0, prefix.size()), prefix)) return 0;
  const std::string_view digits = name.substr(prefix.size());
  int number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size() || number < 1) return 0;
  return number;
}

PortTarget LocatePort(const std::string& name, const Profile& settings, const DeviceRoots& roots) {
  PortTarget target;
  target.device = ResolvePortName(name, settings);
  target.presence = PresenceOf(target.device, roots);
  return target;
}

std::vector<std::string> PortNamesOf(const SerialDevice& device, const Profile& settings,
                                     const DeviceRoots& roots) {
  std::vector<int> candidates;
  for (const std::string& key : settings.Keys(kPortsSection)) candidates.push_back(ComPortNumber(key));
  candidates.push_back(ComPortNumber(DefaultPortName(device.path)));
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  std::vector<std::string> names;
  for (int number : candidates) {
    if (number < 1) continue;
    const std::string name = PortName(number);
    if (DeviceSystemPath(ResolvePortName(name, settings), roots) == device.path) names.push_back(name);
  }
  return names;
}

}  // namespace varnel
