// The text of "varnel-cli ports": the serial devices of this machine, one
// line each, with the port names of the port map that lead to them.
#pragma once

#include <filesystem>
#include <string>

#include "port/serial_devices.h"

namespace varnel::cli {

// One line a device (ListSerialDevices with `roots`), its fields separated
// by tabs: the device, its /dev/serial/by-id link, the USB
// "vendor:product" ids, the product string, the driver, and the port names
// that lead to it through the port map of `settingsFile` (PortNamesOf,
// joined by commas). A field that is not known reads "-"; a control
// character in a field reads as a blank. Empty when there is no device.
std::string PortListing(const DeviceRoots& roots, const std::filesystem::path& settingsFile);

}  // namespace varnel::cli
