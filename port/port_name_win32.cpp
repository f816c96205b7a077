// Port names on Windows: the name is the device.
#include "port/port_name.h"

namespace varnel {

std::string DefaultDevice(const std::string& name) { return name; }

std::string DefaultPortName(const std::string& device) {
  const int number = ComPortNumber(device);
  return number > 0 ? PortName(number) : std::string();
}

}  // namespace varnel
