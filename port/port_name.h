// Port names: "COMn", the names the user picks a port by, and the device
// each stands for when no port map says otherwise. On POSIX "COMn" is the
// USB serial adapter /dev/ttyUSB(n-1); on Windows the name is the device.
// The port map of the settings file (link/port_map.h) comes on top of
// this. Qt-free, any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnel {

inline constexpr char kPortPrefix[] = "COM";  // "COM1" is port 1

// "COM" followed by `port` in decimal.
std::string PortName(int64_t port);

// The n of a name "COMn": "COM", "com" or any other letter case, then
// decimal digits making a number from 1 that fits an int. 0 for any other
// name ("COM0", "COM", "COM1x", "/dev/ttyS0").
int ComPortNumber(std::string_view name);

// The device `name` stands for without a port map: on POSIX
// "/dev/ttyUSB(n-1)" for a COMn name, any other name (a device path) as
// it stands; on Windows the name itself.
std::string DefaultDevice(const std::string& name);

// The name COMn that leads to `device` without a port map: on POSIX
// "COM(k+1)" for "/dev/ttyUSBk"; on Windows "COMn" for a COMn name in any
// letter case. Empty for any other device.
std::string DefaultPortName(const std::string& device);

}  // namespace varnel
