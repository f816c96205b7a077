// The port map on Windows: there is none; the name is the device.
#include "link/port_map.h"

namespace varnel {

const char kPortNameHelp[] =
    "COMn as Windows names it (COM1 to COM256, any letter\n"
    "case); see the Device Manager or \"ports\" for the\n"
    "cable's port\n";

std::optional<std::string> PortMapEntry(const std::string& /*name*/, const Profile& /*settings*/) {
  return std::nullopt;
}

}  // namespace varnel
