// The serial devices of this machine, found without opening them, and how
// a device name the user gives (a path, a link to one, a COM name) stands
// among them. On POSIX: the USB serial adapters (ttyUSB*) and USB CDC
// devices (ttyACM*) of /dev, and the ttyS* behind which sysfs knows a real
// UART, each described from sysfs; on Windows: the COM ports the system
// has, with nothing else known. One header; serial_devices_posix.cpp and
// serial_devices_win32.cpp implement the system's part. Qt-free, any
// thread; each call reads the system afresh.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "texts/application.h"

namespace varnel {

// Where the system's trees are. Default-constructed: the system's own.
// Tests point them at a fake tree; device names keep the system's spelling
// ("/dev/ttyUSB0" is looked for as `dev`/ttyUSB0). Windows has none of
// them and ignores them.
struct DeviceRoots {
  std::filesystem::path sysfs = "/sys";
  std::filesystem::path dev = "/dev";
  std::filesystem::path proc = "/proc";
};

// One serial device. Each field but `path` is empty when not known.
struct SerialDevice {
  std::string path;       // as the system names it: "/dev/ttyUSB0"; "COM3" on Windows
  std::string byId;       // its link in /dev/serial/by-id, e.g. "/dev/serial/by-id/usb-…-if00-port0"
  std::string vendorId;   // idVendor of the USB device it belongs to, e.g. "0403"
  std::string productId;  // idProduct of that USB device, e.g. "6001"
  std::string product;    // that USB device's product string, e.g. "FT232R USB UART"
  std::string driver;     // the kernel driver of the port, e.g. "ftdi_sio"

  bool operator==(const SerialDevice&) const = default;
};

// The serial devices, sorted by kind and then by number ("/dev/ttyACM0",
// "/dev/ttyS0", "/dev/ttyUSB2", "/dev/ttyUSB10"; "COM2", "COM10"). On
// POSIX a ttyUSB* or ttyACM* is listed when it exists in `roots.dev`, a
// ttyS* when it also has a sysfs `type` other than 0 (0: no UART behind
// it). Empty when there is none or the trees can't be read.
std::vector<SerialDevice> ListSerialDevices(const DeviceRoots& roots);

// Where a device name is in the trees: on POSIX a path under /dev is taken
// under `roots.dev`, any other name is as given; on Windows the name.
std::filesystem::path DeviceTreePath(const std::string& device, const DeviceRoots& roots);

// The device a name leads to, spelled as the system names it: on POSIX its
// links followed ("/dev/serial/by-id/usb-…" gives "/dev/ttyUSB0"), a path
// under /dev taken under `roots.dev` and given back under /dev; on
// Windows the name in capitals. A name that leads nowhere comes back as
// it is.
std::string DeviceSystemPath(const std::string& device, const DeviceRoots& roots);

enum class DevicePresence { Present, Absent };

// Whether the device exists: on POSIX whether its path (links followed)
// does, under `roots.dev` for a path under /dev; on Windows whether the
// system has a device of that name.
DevicePresence PresenceOf(const std::string& device, const DeviceRoots& roots);

// Whether `device` may be opened as a serial port, judged without opening
// it (opening a device can act: a watchdog starts counting). On POSIX: a
// name that leads nowhere passes (the open then says why it fails); else
// it must lead, links followed, to a character device that sysfs does not
// place in a class other than tty (/sys/dev/char/<major>:<minor>/subsystem;
// pseudo-terminals, which sysfs does not list, pass). On Windows every
// name passes: the port's own open refuses what is not a COM port. False,
// with the reason (UTF-8, in `app`'s language), otherwise.
bool IsSerialDeviceNode(const std::string& device, const DeviceRoots& roots, const Application& app,
                        std::string* reason);

// The entry of `devices` that `device` names, by DeviceSystemPath; null
// when it names none of them. The pointer is into `devices`.
const SerialDevice* FindSerialDevice(std::span<const SerialDevice> devices, const std::string& device,
                                     const DeviceRoots& roots);

}  // namespace varnel
