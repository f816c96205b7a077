// The advice on a missing device, the same on every system.
#include "port/open_failure.h"

namespace varnel {

std::string PresentDevicesText(std::span<const SerialDevice> devices) {
  if (devices.empty()) return "No serial device is present.";
  std::string text = "Serial devices present: ";
  for (size_t i = 0; i < devices.size(); ++i) {
    if (i > 0) text += ", ";
    text += devices[i].path;
    if (!devices[i].product.empty()) text += " (" + devices[i].product + ")";
  }
  return text + ".";
}

}  // namespace varnel
