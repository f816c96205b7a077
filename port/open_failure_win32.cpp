// Open failures on Windows: the system's message for the error, and the
// COM ports that exist when the one asked for does not.
#include "port/open_failure.h"

#include <windows.h>

#include <vector>

#include "files/system_message.h"

namespace varnel {

std::string DescribeOpenFailure(const std::string& device, int systemError, const DeviceRoots& roots,
                                const Application& app) {
  std::string text = device + ": " + SystemMessage(static_cast<DWORD>(systemError));
  switch (systemError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: {
      const std::vector<SerialDevice> present = ListSerialDevices(roots);
      return text + " " + PresentDevicesText(present, app) + " " +
             AdviceText(app, present.empty() ? text::kCheckCable : text::kCheckCableOrUse);
    }
    // A COM port is opened by one program at a time.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return text + " " + AdviceText(app, text::kPortHeld);
    default: return text;
  }
}

}  // namespace varnel
