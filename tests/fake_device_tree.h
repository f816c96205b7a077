// A fake sysfs, /dev and /proc in a temporary folder, shaped as Linux has
// them, for the serial device listing, the port map's names, the open
// failure reasons (serial_devices_posix_test.cpp) and the Options dialog's
// port captions. POSIX only (it makes symbolic links). Throws
// std::filesystem::filesystem_error when the folder can't be made, which
// fails the test that asked for it.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "port/serial_devices.h"
#include "tests/test_support.h"

namespace varnel::testing {

// A USB serial device as sysfs shows it.
struct FakeUsbPort {
  const char* name;      // "ttyUSB0", "ttyACM0"
  const char* vendorId;  // "" for a device above which sysfs has no USB ids
  const char* productId;
  const char* product;  // "" for none
  const char* driver;   // "ftdi_sio", "cdc_acm"
  const char* byId;     // its link's name in /dev/serial/by-id; "" for none
};

// The adapter most tests plug in: a USB serial cable on ttyUSB0, with its
// link in /dev/serial/by-id.
inline constexpr FakeUsbPort kCableAdapter = {"ttyUSB0",         "0403",     "6001",
                                              "FT232R USB UART", "ftdi_sio", "usb-Cable_USB_UART_A1-if00-port0"};
inline constexpr char kCableAdapterLink[] = "/dev/serial/by-id/usb-Cable_USB_UART_A1-if00-port0";

class FakeDeviceTree {
 public:
  FakeDeviceTree() {
    roots.sysfs = dir / "sys";
    roots.dev = dir / "dev";
    roots.proc = dir / "proc";
    for (const auto& folder : {roots.sysfs / "class/tty", roots.dev, roots.proc}) {
      std::filesystem::create_directories(folder);
    }
  }

  const DeviceRoots& Roots() const { return roots; }
  const std::filesystem::path& Path() const { return dir.Path(); }

  // /dev/<name>, and the USB device, interface and (for a ttyUSB) the
  // usb-serial port above sysfs's class/tty/<name>, which links to them
  // the way Linux does (a relative "device" link).
  void AddUsbPort(const FakeUsbPort& port) {
    namespace fs = std::filesystem;
    const std::string usb = "1-" + std::to_string(++usbDevices);
    const fs::path device = roots.sysfs / "devices/pci0000:00/usb1" / usb;
    const bool usbSerial = std::string(port.name).starts_with("ttyUSB");
    // A ttyUSB hangs below its usb-serial port, a ttyACM below the interface.
    const fs::path parent = device / (usb + ":1.0") / (usbSerial ? port.name : "");
    const fs::path ttyFolder = parent / "tty" / port.name;
    fs::create_directories(ttyFolder);
    if (*port.vendorId != '\0') {
      Write(device / "idVendor", port.vendorId);
      Write(device / "idProduct", port.productId);
    }
    if (*port.product != '\0') Write(device / "product", port.product);
    const fs::path driver = roots.sysfs / "bus/usb/drivers" / port.driver;
    fs::create_directories(driver);
    fs::create_directory_symlink(driver, parent / "driver");
    fs::create_directory_symlink(usbSerial ? fs::path("../../..") / port.name : fs::path("../.."),
                                 ttyFolder / "device");
    fs::create_directory_symlink(ttyFolder, roots.sysfs / "class/tty" / port.name);
    AddDevNode(port.name);
    if (*port.byId != '\0') AddByIdLink(port.byId, port.name);
  }

  // /dev/serial/by-id/<link>, leading to /dev/<device> as udev makes it.
  void AddByIdLink(const std::string& link, const std::string& device) {
    std::filesystem::create_directories(roots.dev / "serial/by-id");
    std::filesystem::create_symlink(std::filesystem::path("../..") / device, roots.dev / "serial/by-id" / link);
  }

  // The devices most tests share: the cable adapter on ttyUSB0, an adapter
  // on ttyUSB2 above which sysfs has no USB ids, a CDC modem on ttyACM0, a
  // real UART on ttyS0 and a ttyS1 with no UART behind it.
  void AddCommonDevices() {
    AddUsbPort(kCableAdapter);
    AddUsbPort({"ttyUSB2", "", "", "", "pl2303", ""});
    AddUsbPort({"ttyACM0", "2e8a", "000a", "CDC Modem", "cdc_acm", ""});
    AddUart("ttyS0", "4");
    AddUart("ttyS1", "0");
  }

  // /dev/<name> and its sysfs folder with `type` (0: no UART behind it).
  void AddUart(const std::string& name, const std::string& type) {
    std::filesystem::create_directories(roots.sysfs / "class/tty" / name);
    Write(roots.sysfs / "class/tty" / name / "type", type);
    AddDevNode(name);
  }

  // A file standing for the device node /dev/<name>.
  void AddDevNode(const std::string& name) { Write(roots.dev / name, ""); }

  // Process `pid`, named `name`, with descriptor `fd` open on `target`.
  void AddProcess(pid_t pid, const std::string& name, int fd, const std::string& target) {
    const std::filesystem::path process = roots.proc / std::to_string(pid);
    std::filesystem::create_directories(process / "fd");
    Write(process / "comm", name + "\n");
    std::filesystem::create_symlink(target, process / "fd" / std::to_string(fd));
  }

  // Writes `text` and a line feed into `file`, as sysfs gives its values.
  static void Write(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file) << text << (text.empty() || text.back() == '\n' ? "" : "\n");
  }

 private:
  TempDir dir;
  DeviceRoots roots;
  int usbDevices = 0;
};

}  // namespace varnel::testing
