// The port map on POSIX over a fake device tree: where a COM name leads
// and whether that device exists, which COM names lead to a device (from
// section [Ports] and by default), and the default name of a device.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "link/port_map.h"
#include "port/port_name.h"
#include "tests/fake_device_tree.h"

namespace varnel::testing {
namespace {

class PortNamePosixTest : public ::testing::Test {
 protected:
  PortNamePosixTest() : settings(BuildTree(tree)) {}

  // The devices, and the settings file of the port map over them.
  static Profile BuildTree(FakeDeviceTree& tree) {
    tree.AddCommonDevices();
    // COM1 is sent elsewhere, so ttyUSB0 is not COM1; it is COM2 through
    // its by-id link and com7 by its path.
    const std::filesystem::path file = tree.Path() / "Varnel.ini";
    FakeDeviceTree::Write(file, std::string("[Ports]\nCOM1=/dev/ttyS0\nCOM2=") + kCableAdapterLink +
                                    "\ncom7=/dev/ttyUSB0\nCOM9=/dev/ttyUSB9\nCOMX=/dev/ttyS0\n");
    return Profile::Load(file);
  }

  FakeDeviceTree tree;
  const Profile settings;
};

TEST_F(PortNamePosixTest, AComNameLeadsToItsDeviceAndTellsWhetherItExists) {
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
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const PortTarget target = LocatePort(c.name, settings, tree.Roots());
    EXPECT_EQ(target.device, c.device);
    EXPECT_EQ(target.presence, c.presence);
  }
}

TEST_F(PortNamePosixTest, EachDeviceHasTheComNamesThatLeadToIt) {
  struct Case {
    const char* device;
    std::vector<std::string> names;
  };
  const std::array<Case, 4> kCases = {{
      {"/dev/ttyUSB0", {"COM2", "COM7"}},
      {"/dev/ttyS0", {"COM1"}},
      {"/dev/ttyUSB2", {"COM3"}},
      {"/dev/ttyACM0", {}},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.device);
    SerialDevice device;
    device.path = c.device;
    EXPECT_EQ(PortNamesOf(device, settings, tree.Roots()), c.names);
  }
}

TEST(PortNamePosixDefaultTest, OnlyAUsbAdapterHasADefaultName) {
  struct Case {
    const char* device;
    const char* name;
  };
  constexpr std::array<Case, 7> kCases = {{
      {"/dev/ttyUSB0", "COM1"},
      {"/dev/ttyUSB9", "COM10"},
      {"/dev/ttyS0", ""},
      {"/dev/ttyUSB", ""},
      {"/dev/ttyUSBx", ""},
      {"/dev/ttyUSB-1", ""},
      {"/dev/ttyUSB2147483647", ""},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.device);
    EXPECT_EQ(DefaultPortName(c.device), c.name);
  }
}

}  // namespace
}  // namespace varnel::testing
