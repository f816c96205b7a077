// The serial devices of a fake sysfs and /dev: which are listed, in which
// order, with what sysfs and /dev/serial/by-id tell of them, and how a
// name (a by-id link among them) leads to one.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "port/serial_devices.h"
#include "texts/code_page.h"
#include "tests/fake_device_tree.h"

namespace varnel::testing {
namespace {

constexpr char kModemLink[] = "usb-Board_CDC_Modem_E6614C-if00";

class SerialDevicesTest : public ::testing::Test {
 protected:
  SerialDevicesTest() {
    tree.AddCommonDevices();
    tree.AddUsbPort({"ttyUSB10", "1a86", "7523", "", "ch341", ""});
    tree.AddByIdLink(kModemLink, "ttyACM0");
    tree.AddDevNode("ttyS2");    // no sysfs entry: not known to be a UART
    tree.AddDevNode("ttyUSB5");  // no sysfs entry: listed with nothing known
    for (const char* other : {"tty1", "ttyUSB", "ttyUSBx", "ttyACM0.lock", "null"}) tree.AddDevNode(other);
  }

  FakeDeviceTree tree;
};

TEST_F(SerialDevicesTest, ListsAdaptersModemsAndRealUartsWithWhatSysfsKnows) {
  const std::array<SerialDevice, 6> kExpected = {{
      {"/dev/ttyACM0", std::string("/dev/serial/by-id/") + kModemLink, "2e8a", "000a", "CDC Modem", "cdc_acm"},
      {"/dev/ttyS0", "", "", "", "", ""},
      {"/dev/ttyUSB0", kCableAdapterLink, "0403", "6001", "FT232R USB UART", "ftdi_sio"},
      {"/dev/ttyUSB2", "", "", "", "", "pl2303"},
      {"/dev/ttyUSB5", "", "", "", "", ""},
      {"/dev/ttyUSB10", "", "1a86", "7523", "", "ch341"},
  }};
  const std::vector<SerialDevice> devices = ListSerialDevices(tree.Roots());
  ASSERT_EQ(devices.size(), kExpected.size());
  for (size_t i = 0; i < kExpected.size(); ++i) {
    SCOPED_TRACE(kExpected[i].path);
    EXPECT_EQ(devices[i], kExpected[i]);
  }
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
    EXPECT_EQ(IsSerialDeviceNode(c.device, tree.Roots(), Application("Varnel", kUtf8CodePage, {}), &reason), c.serial);
    EXPECT_EQ(reason.empty(), c.serial) << reason;
  }
}

TEST(SerialDevicesEmptyTest, TreesThatAreMissingListNothing) {
  TempDir dir;
  EXPECT_TRUE(ListSerialDevices({dir / "sys", dir / "dev", dir / "proc"}).empty());
  EXPECT_EQ(PresenceOf("/dev/ttyUSB0", {dir / "sys", dir / "dev", dir / "proc"}), DevicePresence::Absent);
}

}  // namespace
}  // namespace varnel::testing
