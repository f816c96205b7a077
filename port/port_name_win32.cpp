// Port names on Windows: the name is the device.
#include "port/port_name.h"
#include "settings/port_options.h"

namespace varnel {

const char kPortNameHelp[] =
    "COMn as Windows names it (COM1 to COM256, any letter\n"
    "case); see the Device Manager or \"ports\" for the\n"
    "cable's port\n";

std::string ResolvePortName(const std::string& name, const std::filesystem::path& /*settingsFile*/) {
  return name;
}

std::string ResolvePortName(const std::string& name, const Profile& /*settings*/) { return name; }

std::optional<std::string> PortMapEntry(const std::string& /*name*/, const Profile& /*settings*/) {
  return std::nullopt;
}

std::string DefaultPortName(const std::string& device) {
  const int number = ComPortNumber(device);
  return number > 0 ? PortName(number) : std::string();
}

}  // namespace varnel
