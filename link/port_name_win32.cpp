// Port names on Windows: the name is the device.
#include "link/port_name.h"

namespace varnel {

std::string ResolvePortName(const std::string& name, const std::filesystem::path& /*settingsFile*/) {
  return name;
}

}  // namespace varnel
