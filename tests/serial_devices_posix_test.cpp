// The serial devices over one fake sysfs, /dev and /proc with a port map
// beside them: which devices are listed, in which order and with what
// sysfs and /dev/serial/by-id tell of them ("varnel-cli ports" shows every
// field), where a name or a COM name leads, what may be opened as a port,
// and the reasons a device could not be opened (the devices present for a
// missing one, the processes that hold a busy one). The reasons for a
// refused user, which need the user's groups, are in serial_port_test.cpp.
#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "cli/port_listing.h"
#include "link/port_map.h"
#include "port/open_failure.h"
#include "port/port_name.h"
#include "port/serial_devices.h"
#include "tests/fake_device_tree.h"
#include "texts/code_page.h"

namespace varnel::testing {
namespace {

constexpr char kModemLink[] = "usb-Board_CDC_Modem_E6614C-if00";

// "<device>: <the system's text>." as every reason starts.
std::string Opening(const std::string& device, int error) { return device + ": " + std::strerror(error) + "."; }

class SerialDevicesTest : public ::testing::Test {
 protected:
  SerialDevicesTest() : texts("Varnel", kUtf8CodePage, {}) {
    tree.AddCommonDevices();
    tree.AddUsbPort({"ttyUSB1", "1a86", "7523", "Serial\tCable", "ch341", ""});
    tree.AddUsbPort({"ttyUSB10", "1a86", "7523", "", "ch341", ""});
    tree.AddByIdLink(kModemLink, "ttyACM0");
    tree.AddDevNode("ttyS2");    // no sysfs entry: not known to be a UART
    tree.AddDevNode("ttyUSB5");  // no sysfs entry: listed with nothing known
    for (const char* other : {"tty1", "ttyUSB", "ttyUSBx", "ttyACM0.lock", "null"}) tree.AddDevNode(other);
    tree.AddProcess(812, "ModemManager", 7, "/dev/ttyUSB0");
    tree.AddProcess(813, "ModemManager", 9, "/dev/ttyUSB2");
    tree.AddProcess(4242, "terminal", 3, "/dev/ttyS0");
    tree.AddProcess(77, "logger", 5, "/dev/ttyS0");
    tree.AddProcess(900, "shell", 0, "/dev/pts/1");
    std::filesystem::create_directories(tree.Roots().proc / "self/fd");  // not a process number
    std::filesystem::create_symlink("/dev/ttyACM0", tree.Roots().proc / "self/fd/4");
    // COM1 is sent elsewhere, so ttyUSB0 is not COM1 (nor ttyUSB1 COM2):
    // it is COM2 through its by-id link and com7 by its path. ttyUSB10 is
    // COM5 besides its own COM11.
    FakeDeviceTree::Write(settingsFile, std::string("[Ports]\nCOM1=/dev/ttyS0\nCOM2=") + kCableAdapterLink +
                                            "\ncom7=/dev/ttyUSB0\nCOM9=/dev/ttyUSB9\nCOMX=/dev/ttyS0\n"
                                            "COM5=/dev/ttyUSB10\n");
  }

  const Application texts;
  FakeDeviceTree tree;
  const std::filesystem::path settingsFile = tree.Path() / "Varnel.ini";
};

// One tab-separated line a device: path, by-id link, USB ids, product
// (escaped), driver and COM names, "-" for what is not known.
TEST_F(SerialDevicesTest, ListsAdaptersModemsAndRealUartsInOrderWithWhatSysfsKnowsAndTheirComNames) {
  EXPECT_EQ(cli::PortListing(tree.Roots(), settingsFile),
            "/dev/ttyACM0\t/dev/serial/by-id/usb-Board_CDC_Modem_E6614C-if00\t2e8a:000a\tCDC Modem\tcdc_acm\t-\n"
            "/dev/ttyS0\t-\t-\t-\t-\tCOM1\n"
            "/dev/ttyUSB0\t/dev/serial/by-id/usb-Cable_USB_UART_A1-if00-port0\t0403:6001\tFT232R USB UART\t"
            "ftdi_sio\tCOM2,COM7\n"
            "/dev/ttyUSB1\t-\t1a86:7523\tSerial\\tCable\tch341\t-\n"
            "/dev/ttyUSB2\t-\t-\t-\tpl2303\tCOM3\n"
            "/dev/ttyUSB5\t-\t-\t-\t-\tCOM6\n"
            "/dev/ttyUSB10\t-\t1a86:7523\t-\tch341\tCOM5,COM11\n");
}

TEST_F(SerialDevicesTest, ANameLeadsToTheDeviceItsLinksEndAt) {
  struct Case {
    std::string name;
    const char* device;  // DeviceSystemPath
    DevicePresence presence;
  };
  const std::array<Case, 4> kCases = {{
      {kCableAdapterLink, "/dev/ttyUSB0", DevicePresence::Present},
      {"/dev/ttyUSB0", "/dev/ttyUSB0", DevicePresence::Present},
      {"/dev/ttyUSB3", "/dev/ttyUSB3", DevicePresence::Absent},
      {"/dev/serial/by-id/usb-gone-if00-port0", "/dev/serial/by-id/usb-gone-if00-port0", DevicePresence::Absent},
  }};
  std::filesystem::create_symlink("../../ttyUSB7", tree.Roots().dev / "serial/by-id/usb-gone-if00-port0");
  const std::vector<SerialDevice> devices = ListSerialDevices(tree.Roots());
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DeviceSystemPath(c.name, tree.Roots()), c.device);
    EXPECT_EQ(PresenceOf(c.name, tree.Roots()), c.presence);
    const SerialDevice* found = FindSerialDevice(devices, c.name, tree.Roots());
    EXPECT_EQ(found != nullptr, c.presence == DevicePresence::Present);
    EXPECT_EQ(found != nullptr ? found->path : "", found != nullptr ? c.device : "");
  }
}

TEST_F(SerialDevicesTest, AComNameLeadsToItsDeviceAndTellsWhetherItExists) {
  struct Case {
    const char* name;
    std::string device;
    DevicePresence presence;
  };
  const std::array<Case, 5> kCases = {{
      {"COM1", "/dev/ttyS0", DevicePresence::Present},
      {"COM2", kCableAdapterLink, DevicePresence::Present},
      {"COM3", "/dev/ttyUSB2", DevicePresence::Present},
      {"COM4", "/dev/ttyUSB3", DevicePresence::Absent},
      {"COM9", "/dev/ttyUSB9", DevicePresence::Absent},
  }};
  const Profile settings = Profile::Load(settingsFile);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const PortTarget target = LocatePort(c.name, settings, tree.Roots());
    EXPECT_EQ(target.device, c.device);
    EXPECT_EQ(target.presence, c.presence);
  }
}

// Only what the system places among serial ports may be opened as one;
// the numbers of a character device tell its class in sysfs without
// opening it (the system's own devices, reached through links).
TEST_F(SerialDevicesTest, OnlyASerialDeviceNodeMayBeOpenedAsAPort) {
  const auto classOf = [&](const char* numbers, const char* deviceClass) {
    const std::filesystem::path entry = tree.Roots().sysfs / "dev/char" / numbers;
    std::filesystem::create_directories(entry);
    std::filesystem::create_symlink(std::string("../../../class/") + deviceClass, entry / "subsystem");
  };
  classOf("1:3", "mem");  // /dev/null
  classOf("5:2", "tty");  // /dev/ptmx
  std::filesystem::create_symlink("/dev/null", tree.Roots().dev / "watchdog-like");
  std::filesystem::create_symlink("/dev/ptmx", tree.Roots().dev / "ttyPtmx");
  std::filesystem::create_symlink("/dev/zero", tree.Roots().dev / "unlisted");  // 1:5: no sysfs entry here
  struct Case {
    const char* device;
    bool serial;
  };
  constexpr std::array<Case, 6> kCases = {{
      {"/dev/ttyPtmx", true},
      {"/dev/unlisted", true},  // as a pseudo-terminal, which sysfs does not list
      {"/dev/ttyUSB9", true},   // missing: the open says why
      {"/dev/watchdog-like", false},
      {"/dev/ttyUSB0", false},  // the fake tree's node is a plain file
      {"/dev/serial/by-id", false},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.device);
    std::string reason;
    EXPECT_EQ(IsSerialDeviceNode(c.device, tree.Roots(), texts, &reason), c.serial);
    EXPECT_EQ(reason.empty(), c.serial) << reason;
  }
}

// A missing device gets the devices that exist; a busy one the processes
// that hold it, and for ModemManager the udev rule that keeps it off the
// cable.
TEST_F(SerialDevicesTest, TheReasonAMissingOrBusyDeviceCanNotBeOpened) {
  const std::string present =
      "Serial devices present: /dev/ttyACM0 (CDC Modem), /dev/ttyS0, /dev/ttyUSB0 (FT232R USB UART), /dev/ttyUSB1 "
      "(Serial\tCable), /dev/ttyUSB2, /dev/ttyUSB5, /dev/ttyUSB10. Check the cable, or use one of them as the port "
      "(section [Ports] of Varnel.ini maps COMn to a device, e.g. COM1=/dev/ttyUSB0).";
  const std::string kRuleEnd = ", run `sudo udevadm control --reload-rules` and plug the cable in again.";
  struct Case {
    std::string device;
    int error;
    std::string advice;
  };
  const std::array<Case, 9> kCases = {{
      {"/dev/ttyUSB3", ENOENT, present},
      {"/dev/ttyUSB3", ENXIO, present},
      {"/dev/ttyUSB3", ENODEV, present},
      {"/dev/ttyS1", EIO, present},
      {kCableAdapterLink, EBUSY,
       "It is held by ModemManager (pid 812). ModemManager opens serial devices to look for modems. To make it "
       "leave the cable alone, put the line ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6001\", "
       "ENV{ID_MM_DEVICE_IGNORE}=\"1\" into /etc/udev/rules.d/99-serial-cable.rules" +
           kRuleEnd},
      {"/dev/ttyUSB2", EWOULDBLOCK,
       "It is held by ModemManager (pid 813). ModemManager opens serial devices to look for modems. To make it "
       "leave the cable alone, put the line ATTRS{idVendor}==\"vvvv\", ATTRS{idProduct}==\"pppp\", "
       "ENV{ID_MM_DEVICE_IGNORE}=\"1\" into /etc/udev/rules.d/99-serial-cable.rules with the adapter's vendor "
       "and product ids in place of vvvv and pppp (lsusb shows them)" +
           kRuleEnd},
      {"/dev/ttyS0", EWOULDBLOCK,
       "It is held by logger (pid 77), terminal (pid 4242). Close those programs and try again."},
      {"/dev/ttyACM0", EBUSY, "Another program holds it; `sudo fuser -v /dev/ttyACM0` names it."},
      {"/dev/ttyUSB7", EBUSY, "Another program holds it; `sudo fuser -v /dev/ttyUSB7` names it."},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.device + " " + std::strerror(c.error));
    EXPECT_EQ(DescribeOpenFailure(c.device, c.error, tree.Roots(), texts), Opening(c.device, c.error) + " " + c.advice);
  }
}

// Trees that are missing hold no device, and a missing device's reason
// says there is none.
TEST(SerialDevicesEmptyTest, TreesThatAreMissingListNothing) {
  TempDir dir;
  const DeviceRoots roots{dir / "sys", dir / "dev", dir / "proc"};
  EXPECT_TRUE(ListSerialDevices(roots).empty());
  EXPECT_EQ(cli::PortListing(roots, dir / "Varnel.ini"), "");
  EXPECT_EQ(PresenceOf("/dev/ttyUSB0", roots), DevicePresence::Absent);
  EXPECT_EQ(DescribeOpenFailure("/dev/ttyUSB3", ENOENT, roots, Application("Varnel", kUtf8CodePage, {})),
            Opening("/dev/ttyUSB3", ENOENT) + " No serial device is present. Check the cable.");
}

// The listing above shows the names of ttyUSB0 to ttyUSB10.
TEST(SerialDevicesDefaultNameTest, OnlyAUsbAdapterHasADefaultName) {
  for (const char* device : {"/dev/ttyS0", "/dev/ttyUSB", "/dev/ttyUSBx", "/dev/ttyUSB-1", "/dev/ttyUSB2147483647"}) {
    EXPECT_EQ(DefaultPortName(device), "") << device;
  }
}

}  // namespace
}  // namespace varnel::testing
