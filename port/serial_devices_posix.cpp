// Serial devices on POSIX: the ttyUSB*, ttyACM* and ttyS* entries of /dev,
// described from sysfs (/sys/class/tty/<name>: its `type`, the `device`
// link, the driver behind it and the USB device above it) and named by
// the links of /dev/serial/by-id.
#include "port/serial_devices.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>
#include <system_error>

#include "files/narrow_path.h"
#include "port/open_failure.h"
#include "port/system_tree.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSystemDev = "/dev/";
constexpr char kByIdFolder[] = "serial/by-id";
constexpr char kTtyClass[] = "class/tty";
// The device kinds listed, in the order they are listed.
constexpr std::array<std::string_view, 3> kKinds = {"ttyACM", "ttyS", "ttyUSB"};
constexpr std::string_view kSerialKind = "ttyS";
// sysfs `type` of a ttyS* with no UART behind it (PORT_UNKNOWN).
constexpr std::string_view kNoUart = "0";
// Where sysfs names each character device by its numbers, and the class
// of a serial port's.
constexpr char kCharDevices[] = "dev/char";
constexpr char kTtySubsystem[] = "tty";

// A device's place in the listing: its kind's position, then its number.
struct ListingKey {
  size_t kind;
  uint64_t number;

  auto operator<=>(const ListingKey&) const = default;
};

// The key of a name such as "ttyUSB3"; none for any other name.
std::optional<ListingKey> KeyOf(std::string_view name) {
  for (size_t kind = 0; kind < kKinds.size(); ++kind) {
    if (!name.starts_with(kKinds[kind])) continue;
    const std::string_view digits = name.substr(kKinds[kind].size());
    uint64_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return ListingKey{kind, number};
  }
  return std::nullopt;
}

// Whether `node` lies below `root` (both without links).
bool IsBelow(const fs::path& node, const fs::path& root) {
  const fs::path relative = node.lexically_relative(root);
  return !relative.empty() && relative != "." && *relative.begin() != "..";
}

// The system's name of what `path` leads to once its links are followed;
// none when it leads nowhere.
std::optional<std::string> SystemPathOf(const fs::path& path, const DeviceRoots& roots) {
  std::error_code error;
  const fs::path target = fs::canonical(path, error);
  if (error) return std::nullopt;
  const fs::path dev = fs::canonical(roots.dev, error);
  if (error || !IsBelow(target, dev)) return target.string();
  return std::string(kSystemDev) + target.lexically_relative(dev).generic_string();
}

// The driver of the port and the ids and product of the USB device above
// it in sysfs, as far as they are there.
void DescribeFromSysfs(const fs::path& ttyFolder, const fs::path& sysfs, SerialDevice* device) {
  std::error_code error;
  const fs::path driver = fs::read_symlink(ttyFolder / "device" / "driver", error);
  if (!error) device->driver = driver.filename().string();
  const fs::path root = fs::canonical(sysfs, error);
  if (error) return;
  for (fs::path node = fs::canonical(ttyFolder / "device", error); !error && IsBelow(node, root);
       node = node.parent_path()) {
    std::string vendor = FirstLine(node / "idVendor");
    std::string product = FirstLine(node / "idProduct");
    if (!vendor.empty() && !product.empty()) {
      device->vendorId = std::move(vendor);
      device->productId = std::move(product);
      device->product = FirstLine(node / "product");
      return;
    }
  }
}

// Gives each device the first of the by-id links that lead to it.
void AttachByIdNames(const DeviceRoots& roots, std::vector<SerialDevice>* devices) {
  const fs::path folder = roots.dev / kByIdFolder;
  for (const std::string& name : EntryNames(folder)) {
    const std::optional<std::string> target = SystemPathOf(folder / name, roots);
    for (SerialDevice& device : *devices) {
      if (target && device.path == *target && device.byId.empty()) {
        device.byId = std::string(kSystemDev) + kByIdFolder + "/" + name;
      }
    }
  }
}

}  // namespace

std::vector<SerialDevice> ListSerialDevices(const DeviceRoots& roots) {
  std::vector<std::pair<ListingKey, SerialDevice>> found;
  for (const std::string& name : EntryNames(roots.dev)) {
    const std::optional<ListingKey> key = KeyOf(name);
    if (!key) continue;
    const fs::path ttyFolder = roots.sysfs / kTtyClass / name;
    if (kKinds[key->kind] == kSerialKind) {
      const std::string type = FirstLine(ttyFolder / "type");
      if (type.empty() || type == kNoUart) continue;
    }
    SerialDevice device;
    device.path = std::string(kSystemDev) + name;
    DescribeFromSysfs(ttyFolder, roots.sysfs, &device);
    found.emplace_back(*key, std::move(device));
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<SerialDevice> devices;
  for (auto& entry : found) devices.push_back(std::move(entry.second));
  AttachByIdNames(roots, &devices);
  return devices;
}

fs::path DeviceTreePath(const std::string& device, const DeviceRoots& roots) {
  if (!std::string_view(device).starts_with(kSystemDev)) return device;
  return roots.dev / device.substr(kSystemDev.size());
}

std::string DeviceSystemPath(const std::string& device, const DeviceRoots& roots) {
  return SystemPathOf(DeviceTreePath(device, roots), roots).value_or(device);
}

bool IsSerialDeviceNode(const std::string& device, const DeviceRoots& roots, const Application& app,
                        std::string* reason) {
  struct stat info {};
  if (::stat(DeviceTreePath(device, roots).c_str(), &info) != 0) return true;
  if (!S_ISCHR(info.st_mode)) {
    *reason = AdviceText(app, text::kNotCharacterDevice);
    return false;
  }
  const fs::path entry =
      roots.sysfs / kCharDevices / (std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev)));
  std::error_code error;
  const fs::path subsystem = fs::read_symlink(entry / "subsystem", error);
  if (error || subsystem.filename() == kTtySubsystem) return true;
  *reason = AdviceText(app, text::kOtherDeviceClass, {NarrowFromPath(subsystem.filename())});
  return false;
}

DevicePresence PresenceOf(const std::string& device, const DeviceRoots& roots) {
  std::error_code error;
  return fs::exists(DeviceTreePath(device, roots), error) ? DevicePresence::Present : DevicePresence::Absent;
}

}  // namespace varnel
