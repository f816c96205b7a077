// Open failures on POSIX: the device's group for a permission refused
// (stat, then the group database), the processes that hold a busy device
// (the links of /proc/<pid>/fd that lead to it), the serial devices that
// exist for a missing one.
#include "port/open_failure.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <system_error>
#include <vector>

#include "port/system_tree.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

constexpr gid_t kRootGroup = 0;
constexpr mode_t kGroupReadWrite = S_IRGRP | S_IWGRP;
constexpr mode_t kPermissionBits = 07777;
constexpr size_t kModeDigits = 4;  // "0660"
constexpr int kOctal = 8;
constexpr size_t kGroupBufferBytes = 1024;
constexpr int kGroupBufferTries = 8;  // doubling each time: up to 128 KiB
// The process name (/proc/<pid>/comm) of the modem manager that opens new
// serial devices to probe them for modems.
constexpr std::string_view kModemManager = "ModemManager";
constexpr char kUdevRulesFile[] = "/etc/udev/rules.d/99-serial-cable.rules";
// What the rule shows where the adapter's USB ids are not known.
constexpr char kVendorPlaceholder[] = "vvvv";
constexpr char kProductPlaceholder[] = "pppp";

// The name of group `gid`; its number when the group database has none.
std::string GroupName(gid_t gid) {
  std::vector<char> buffer(kGroupBufferBytes);
  for (int attempt = 0; attempt < kGroupBufferTries; ++attempt) {
    group entry{};
    group* found = nullptr;
    const int error = ::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found);
    if (error != ERANGE) return error == 0 && found != nullptr ? found->gr_name : std::to_string(gid);
    buffer.resize(buffer.size() * 2);
  }
  return std::to_string(gid);
}

// The permission bits as `ls` and chmod write them: "0660".
std::string OctalMode(mode_t mode) {
  char digits[kModeDigits * 2] = {};
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, mode & kPermissionBits, kOctal);
  std::string text(digits, error == std::errc() ? end : digits);
  return std::string(kModeDigits - std::min(kModeDigits, text.size()), '0') + text;
}

// Whether this process has group `gid`, as its own or a supplementary one.
bool HasGroup(gid_t gid) {
  if (::getegid() == gid) return true;
  const int count = ::getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  const int got = ::getgroups(count, groups.data());
  return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

std::string PermissionAdvice(const std::string& device, const DeviceRoots& roots, const Application& app) {
  struct stat info {};
  if (::stat(DeviceTreePath(device, roots).c_str(), &info) != 0) return AdviceText(app, text::kNeedGroup);
  if (info.st_gid == kRootGroup) return AdviceText(app, text::kOnlyRoot);
  const std::string group = GroupName(info.st_gid);
  const bool groupMayUse = (info.st_mode & kGroupReadWrite) == kGroupReadWrite;
  const std::string modeAdvice = " " + AdviceText(app, text::kModeDenies, {OctalMode(info.st_mode)});
  if (HasGroup(info.st_gid)) {
    return AdviceText(app, text::kInGroupAlready, {group}) +
           (groupMayUse ? " " + AdviceText(app, text::kSomethingElseRefuses) : modeAdvice);
  }
  return AdviceText(app, text::kJoinGroup, {group, group}) + (groupMayUse ? "" : modeAdvice);
}

struct Holder {
  uint64_t pid;
  std::string name;  // empty when it can't be read
};

// The processes with a descriptor open on `systemPath`, by pid.
std::vector<Holder> HoldersOf(const std::string& systemPath, const fs::path& proc) {
  std::vector<Holder> holders;
  for (const std::string& pid : EntryNames(proc)) {
    uint64_t number = 0;
    const auto [end, error] = std::from_chars(pid.data(), pid.data() + pid.size(), number);
    if (error != std::errc() || end != pid.data() + pid.size()) continue;
    const fs::path descriptors = proc / pid / "fd";
    const std::vector<std::string> fds = EntryNames(descriptors);
    const bool holds = std::any_of(fds.begin(), fds.end(), [&](const std::string& fd) {
      std::error_code readError;
      return fs::read_symlink(descriptors / fd, readError).string() == systemPath;
    });
    if (holds) holders.push_back({number, FirstLine(proc / pid / "comm")});
  }
  std::sort(holders.begin(), holders.end(), [](const Holder& a, const Holder& b) { return a.pid < b.pid; });
  return holders;
}

// The udev rule that makes ModemManager leave the adapter of `systemPath`
// alone, and where it goes.
std::string ModemManagerAdvice(const std::string& systemPath, const DeviceRoots& roots, const Application& app) {
  const std::vector<SerialDevice> devices = ListSerialDevices(roots);
  const SerialDevice* device = FindSerialDevice(devices, systemPath, roots);
  const bool known = device != nullptr && !device->vendorId.empty() && !device->productId.empty();
  const std::string rule = "ATTRS{idVendor}==\"" + (known ? device->vendorId : kVendorPlaceholder) +
                           "\", ATTRS{idProduct}==\"" + (known ? device->productId : kProductPlaceholder) +
                           "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"";
  const std::string ids = known ? "" : AdviceText(app, text::kUsbIdsInstead, {kVendorPlaceholder, kProductPlaceholder});
  return AdviceText(app, text::kModemManagerRule, {rule, kUdevRulesFile, ids});
}

std::string HolderAdvice(const std::string& device, const DeviceRoots& roots, const Application& app) {
  const std::string path = DeviceSystemPath(device, roots);
  const std::vector<Holder> holders = HoldersOf(path, roots.proc);
  if (holders.empty()) return AdviceText(app, text::kHeldBySomething, {path});
  std::string names;
  bool modemManager = false;
  for (size_t i = 0; i < holders.size(); ++i) {
    const std::string& name = holders[i].name;
    names += (i > 0 ? ", " : "") + (name.empty() ? AdviceText(app, text::kAProcess) : name) + " (pid " +
             std::to_string(holders[i].pid) + ")";
    modemManager = modemManager || name == kModemManager;
  }
  const std::string text = AdviceText(app, text::kHeldBy, {names});
  if (modemManager) return text + " " + ModemManagerAdvice(path, roots, app);
  return text + " " + AdviceText(app, holders.size() == 1 ? text::kCloseThatProgram : text::kCloseThosePrograms);
}

std::string MissingAdvice(const DeviceRoots& roots, const Application& app) {
  const std::vector<SerialDevice> present = ListSerialDevices(roots);
  return PresentDevicesText(present, app) + " " +
         AdviceText(app, present.empty() ? text::kCheckCable : text::kCheckCableOrMap);
}

}  // namespace

std::string DescribeOpenFailure(const std::string& device, int systemError, const DeviceRoots& roots,
                                const Application& app) {
  const std::string text = device + ": " + std::strerror(systemError) + ".";
  switch (systemError) {
    case EACCES:
    case EPERM: return text + " " + PermissionAdvice(device, roots, app);
    // EIO: a ttyS* with no UART behind it opens with an I/O error.
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case EIO: return text + " " + MissingAdvice(roots, app);
    case EBUSY:
    case EWOULDBLOCK: return text + " " + HolderAdvice(device, roots, app);
    case ENOTTY: return text + " " + AdviceText(app, text::kNotASerialDevice);
    default: return text;
  }
}

}  // namespace varnel
