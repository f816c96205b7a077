// The device behind a port name the user picked. On POSIX "COMn" is looked
// up in the settings file's section "Ports" (key "COMn", value a device
// path); without an entry COMn means /dev/ttyUSB(n-1). A name that already
// is a path is used as it stands. On Windows the name is the device, in any
// letter case.
#pragma once

#include <filesystem>
#include <string>

namespace varnel {

inline constexpr char kPortsSection[] = "Ports";

std::string ResolvePortName(const std::string& name, const std::filesystem::path& settingsFile);

// How a port is named on this system, for help texts: lines of at most 56
// characters, each ending in a line feed.
extern const char kPortNameHelp[];

}  // namespace varnel
