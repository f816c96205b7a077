// Finding a named device among the serial devices, on every system.
#include "port/serial_devices.h"

#include <algorithm>

namespace varnel {

const SerialDevice* FindSerialDevice(std::span<const SerialDevice> devices, const std::string& device,
                                     const DeviceRoots& roots) {
  const std::string path = DeviceSystemPath(device, roots);
  const auto it = std::find_if(devices.begin(), devices.end(),
                               [&](const SerialDevice& candidate) { return candidate.path == path; });
  return it == devices.end() ? nullptr : &*it;
}

}  // namespace varnel
