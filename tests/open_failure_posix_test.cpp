// The reasons a device could not be opened, over a fake sysfs, /dev and
// /proc: the devices present for a missing one, the group to join for a
// refused one, the processes that hold a busy one and the udev rule that
// keeps ModemManager off the cable. The same reasons on real devices are
// in serial_port_open_posix_test.cpp.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

#include "port/open_failure.h"
#include "texts/code_page.h"
#include "tests/fake_device_tree.h"

namespace varnel::testing {
namespace {

// The program's own texts, in English.
const Application texts("Varnel", kUtf8CodePage, {});

// "<device>: <the system's text>." as every reason starts.
std::string Opening(const std::string& device, int error) { return device + ": " + std::strerror(error) + "."; }

TEST(OpenFailurePosixTest, AMissingDeviceListsTheDevicesThatExist) {
  struct Case {
    const char* name;
    std::function<void(FakeDeviceTree&)> build;
    const char* advice;
  };
  const std::array<Case, 2> kCases = {{
      {"some devices", [](FakeDeviceTree& tree) { tree.AddCommonDevices(); },
       "Serial devices present: /dev/ttyACM0 (CDC Modem), /dev/ttyS0, /dev/ttyUSB0 (FT232R USB UART), "
       "/dev/ttyUSB2. Check the cable, or use one of them as the port (section [Ports] of Varnel.ini maps COMn "
       "to a device, e.g. COM1=/dev/ttyUSB0)."},
      {"none", [](FakeDeviceTree& tree) { tree.AddUart("ttyS1", "0"); },
       "No serial device is present. Check the cable."},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    FakeDeviceTree tree;
    c.build(tree);
    for (int error : {ENOENT, ENXIO, ENODEV}) {
      EXPECT_EQ(DescribeOpenFailure("/dev/ttyUSB3", error, tree.Roots(), texts),
                Opening("/dev/ttyUSB3", error) + " " + c.advice);
    }
  }
}

TEST(OpenFailurePosixTest, ARefusedDeviceNamesItsGroupAndHowToJoinIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file another group needs root";
  const group* dialout = ::getgrnam("dialout");
  if (dialout == nullptr) GTEST_SKIP() << "no group dialout";
  const gid_t dialoutGid = dialout->gr_gid;
  const std::string join =
      "The device belongs to group dialout: join it with `sudo usermod -aG dialout $USER`, then log out and in "
      "again (a new group counts from a new login).";
  struct Case {
    gid_t gid;
    mode_t mode;
    std::string advice;
  };
  const std::array<Case, 3> kCases = {{
      {dialoutGid, 0660, join},
      {dialoutGid, 0600,
       join + " Its mode 0600 gives the group no read and write access: the mode must allow it "
              "(a udev rule: MODE=\"0660\")."},
      {0, 0660,
       "Only root may open it; a udev rule can give the device a group such as dialout "
       "(GROUP=\"dialout\", MODE=\"0660\")."},
  }};
  FakeDeviceTree tree;
  tree.AddUsbPort(kCableAdapter);
  const std::filesystem::path node = tree.Roots().dev / "ttyUSB0";
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.advice);
    ASSERT_EQ(::chown(node.c_str(), 0, c.gid), 0);
    ASSERT_EQ(::chmod(node.c_str(), c.mode), 0);
    // Through its by-id link the device is the same file.
    EXPECT_EQ(DescribeOpenFailure(kCableAdapterLink, EACCES, tree.Roots(), texts),
              Opening(kCableAdapterLink, EACCES) + " " + c.advice);
  }
}

TEST(OpenFailurePosixTest, ABusyDeviceNamesTheProcessesThatHoldIt) {
  FakeDeviceTree tree;
  tree.AddCommonDevices();
  tree.AddProcess(812, "ModemManager", 7, "/dev/ttyUSB0");
  tree.AddProcess(813, "ModemManager", 9, "/dev/ttyUSB2");
  tree.AddProcess(4242, "terminal", 3, "/dev/ttyS0");
  tree.AddProcess(77, "logger", 5, "/dev/ttyS0");
  tree.AddProcess(900, "shell", 0, "/dev/pts/1");
  std::filesystem::create_directories(tree.Roots().proc / "self/fd");  // not a process number
  std::filesystem::create_symlink("/dev/ttyACM0", tree.Roots().proc / "self/fd/4");
  const std::string kRuleEnd = ", run `sudo udevadm control --reload-rules` and plug the cable in again.";
  struct Case {
    std::string device;
    int error;
    std::string advice;
  };
  const std::array<Case, 5> kCases = {{
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
    SCOPED_TRACE(c.device);
    EXPECT_EQ(DescribeOpenFailure(c.device, c.error, tree.Roots(), texts), Opening(c.device, c.error) + " " + c.advice);
  }
}

}  // namespace
}  // namespace varnel::testing
