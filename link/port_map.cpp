// The port map's parts that are the same on every system: where a name
// leads, and which names lead to a device.
#include "link/port_map.h"

#include <algorithm>

#include "port/port_name.h"

namespace varnel {

std::string ResolvePortName(const std::string& name, const std::filesystem::path& settingsFile) {
  return ResolvePortName(name, Profile::Load(settingsFile));
}

std::string ResolvePortName(const std::string& name, const Profile& settings) {
  if (const std::optional<std::string> mapped = PortMapEntry(name, settings)) return *mapped;
  return DefaultDevice(name);
}

PortTarget LocatePort(const std::string& name, const Profile& settings, const DeviceRoots& roots) {
  PortTarget target;
  target.device = ResolvePortName(name, settings);
  target.presence = PresenceOf(target.device, roots);
  return target;
}

std::vector<std::string> PortNamesOf(const SerialDevice& device, const Profile& settings, const DeviceRoots& roots) {
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
