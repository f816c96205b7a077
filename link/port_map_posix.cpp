// The port map on POSIX: "COMn" looked up in section [Ports] of the
// settings file.
#include "link/port_map.h"
#include "port/port_name.h"

namespace varnel {

const char kPortNameHelp[] =
    "COMn, looked up in section [Ports] of Varnel.ini (e.g.\n"
    "COM1=/dev/ttyUSB0), else /dev/ttyUSB(n-1); or a device\n"
    "path such as /dev/ttyACM0, or the adapter's link in\n"
    "/dev/serial/by-id, which names the same adapter\n"
    "whichever ttyUSB number it gets (see \"ports\")\n";

std::optional<std::string> PortMapEntry(const std::string& name, const Profile& settings) {
  if (name.find('/') != std::string::npos || ComPortNumber(name) < 1) return std::nullopt;
  std::string mapped = settings.Text(kPortsSection, name, "");
  if (mapped.empty()) return std::nullopt;
  return mapped;
}

}  // namespace varnel
