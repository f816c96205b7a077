// Serial devices on Windows: the COM ports among the system's MS-DOS
// device names (QueryDosDeviceW), with nothing else known about them.
#include "port/serial_devices.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

#include "files/narrow_path.h"
#include "port/port_name.h"

namespace varnel {
namespace {

// The list of every device name grows; a buffer this size holds a
// typical system's at the first try.
constexpr DWORD kFirstListChars = 16384;
constexpr int kListGrowthTries = 8;

// Every MS-DOS device name the system has, each ended by a NUL.
std::wstring DosDeviceNames() {
  std::wstring names(kFirstListChars, L'\0');
  for (int attempt = 0; attempt < kListGrowthTries; ++attempt) {
    const DWORD length = QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()));
    if (length != 0) {
      names.resize(length);
      return names;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    names.resize(names.size() * 2);
  }
  return {};
}

}  // namespace

std::vector<SerialDevice> ListSerialDevices(const DeviceRoots& /*roots*/) {
  std::vector<SerialDevice> devices;
  const std::wstring names = DosDeviceNames();
  for (size_t start = 0; start < names.size();) {
    const size_t end = std::min(names.find(L'\0', start), names.size());
    const std::string name = NarrowFromPath(std::filesystem::path(names.substr(start, end - start)));
    start = end + 1;
    if (ComPortNumber(name) < 1) continue;
    SerialDevice device;
    device.path = DeviceSystemPath(name, {});
    devices.push_back(std::move(device));
  }
  std::sort(devices.begin(), devices.end(),
            [](const SerialDevice& a, const SerialDevice& b) { return ComPortNumber(a.path) < ComPortNumber(b.path); });
  return devices;
}

std::filesystem::path DeviceTreePath(const std::string& device, const DeviceRoots& /*roots*/) { return device; }

std::string DeviceSystemPath(const std::string& device, const DeviceRoots& /*roots*/) {
  std::string upper = device;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper;
}

DevicePresence PresenceOf(const std::string& device, const DeviceRoots& /*roots*/) {
  // The name's target does not matter, only that there is one: a target
  // longer than the buffer still is one.
  wchar_t target[MAX_PATH];
  const bool named = QueryDosDeviceW(PathFromNarrow(device).c_str(), target, MAX_PATH) != 0 ||
                     GetLastError() == ERROR_INSUFFICIENT_BUFFER;
  return named ? DevicePresence::Present : DevicePresence::Absent;
}

bool IsSerialDeviceNode(const std::string& /*device*/, const DeviceRoots& /*roots*/, const Application& /*app*/,
                        std::string* /*reason*/) {
  return true;
}

}  // namespace varnel
