// Port names on Windows: the name is the device.
#include "port/port_name.h"

namespace varnel {

const char kPortNameHelp[] =
    "COMn as Windows names it (COM1 to COM256, any letter\n"
    "case); see the Device Manager for the cable's port\n";

std::string ResolvePortName(const std::string& name, const std::filesystem::path& /*settingsFile*/) {
  return name;
}

}  // namespace varnel
