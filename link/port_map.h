// The port map: the device behind a port name the user picked, and the
// port names that lead to a device. On POSIX "COMn" is looked up in the
// settings file's section "Ports" (key "COMn", value a device path);
// without an entry it means the device port/port_name.h gives it. A name
// that already is a path is used as it stands. On Windows the name is the
// device, in any letter case, and there is no map. Qt-free, any thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "port/serial_devices.h"
#include "settings/profile_store.h"

namespace varnel {

inline constexpr char kPortsSection[] = "Ports";

// The device `name` stands for, with the port map of `settingsFile`
// (read once for the call; a missing or unreadable file maps nothing).
std::string ResolvePortName(const std::string& name, const std::filesystem::path& settingsFile);
// The same with the settings file already loaded.
std::string ResolvePortName(const std::string& name, const Profile& settings);

// The port map's entry for `name`: the value of its key in section "Ports"
// when `name` is a COMn with an entry there (POSIX); none otherwise, and
// always on Windows.
std::optional<std::string> PortMapEntry(const std::string& name, const Profile& settings);

// Where a port name leads: ResolvePortName's device, and whether it exists
// (PresenceOf, with the system's trees at `roots`).
struct PortTarget {
  std::string device;
  DevicePresence presence = DevicePresence::Absent;
};
PortTarget LocatePort(const std::string& name, const Profile& settings, const DeviceRoots& roots);

// The port names that lead to `device` (compared by DeviceSystemPath, so a
// map entry naming its /dev/serial/by-id link counts): each COMn key of
// section "Ports" whose device it is, and its DefaultPortName unless
// section "Ports" sends that name elsewhere. Spelled "COMn", in ascending
// order of n, each once; empty when none leads there.
std::vector<std::string> PortNamesOf(const SerialDevice& device, const Profile& settings, const DeviceRoots& roots);

// How a port is named on this system, for help texts: lines of at most 56
// characters, each ending in a line feed.
extern const char kPortNameHelp[];

}  // namespace varnel
