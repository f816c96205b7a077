// Open failures on Windows: the system's message for the error, and the
// COM ports that exist when the one asked for does not.
#include "port/open_failure.h"

#include <windows.h>

#include <string_view>
#include <vector>

namespace varnel {
namespace {

constexpr std::string_view kMessageEnd = " \r\n";
constexpr DWORD kMessageChars = 512;

// The system's text for `error`, without the line break it ends in.
std::string SystemMessage(DWORD error) {
  std::string message(kMessageChars, '\0');
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                      0, message.data(), kMessageChars, nullptr);
  message.resize(length);
  message.erase(message.find_last_not_of(kMessageEnd) + 1);
  return message.empty() ? "error " + std::to_string(error) + "." : message;
}

}  // namespace

std::string DescribeOpenFailure(const std::string& device, int systemError, const DeviceRoots& roots) {
  std::string text = device + ": " + SystemMessage(static_cast<DWORD>(systemError));
  switch (systemError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: {
      const std::vector<SerialDevice> present = ListSerialDevices(roots);
      return text + " " + PresentDevicesText(present) +
             (present.empty() ? " Check the cable." : " Check the cable, or use one of them as the port.");
    }
    // A COM port is opened by one program at a time.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return text + " Another program holds the port: close it and try again.";
    default:
      return text;
  }
}

}  // namespace varnel
