// Serial devices and the port map on Windows (run under Wine when
// cross-built): the COM ports the system has, in order and present, a COM
// name in any letter case standing for itself, and the reason a missing
// port gives.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "port/open_failure.h"
#include "link/port_map.h"
#include "port/port_name.h"
#include "port/serial_devices.h"
#include "texts/code_page.h"

namespace varnel {
namespace {

// No system has this many ports.
constexpr char kMissingPort[] = "COM250";

// A device of which only the name is known, as Windows lists them.
SerialDevice Named(const std::string& path) {
  SerialDevice device;
  device.path = path;
  return device;
}

TEST(SerialDevicesWin32Test, ListsTheSystemsComPortsInOrder) {
  const std::vector<SerialDevice> devices = ListSerialDevices({});
  int previous = 0;
  for (const SerialDevice& device : devices) {
    SCOPED_TRACE(device.path);
    EXPECT_GT(ComPortNumber(device.path), previous);
    previous = ComPortNumber(device.path);
    EXPECT_EQ(device.path, DeviceSystemPath(device.path, {})) << "spelled as the system names it";
    EXPECT_EQ(PresenceOf(device.path, {}), DevicePresence::Present);
    EXPECT_EQ(device, Named(device.path)) << "nothing else is known";
  }
}

TEST(SerialDevicesWin32Test, AComNameInAnyLetterCaseStandsForItself) {
  const Profile noMap = Profile::Load("no-such-settings-file.ini");
  EXPECT_EQ(ResolvePortName("com5", noMap), "com5");
  EXPECT_EQ(DeviceSystemPath("com5", {}), "COM5");
  EXPECT_EQ(DefaultPortName("com5"), "COM5");
  EXPECT_EQ(DefaultPortName("LPT1"), "");
  EXPECT_EQ(PortNamesOf(Named("COM5"), noMap, {}), std::vector<std::string>{"COM5"});
  const std::vector<SerialDevice> devices = {Named("COM2"), Named("COM5")};
  ASSERT_NE(FindSerialDevice(devices, "com5", {}), nullptr);
  EXPECT_EQ(FindSerialDevice(devices, "com5", {})->path, "COM5");
}

// ---- A port that does not exist ----

TEST(SerialDevicesWin32Test, AMissingPortIsAbsentAndItsReasonNamesThePortsThatExist) {
  EXPECT_EQ(PresenceOf(kMissingPort, {}), DevicePresence::Absent);
  const Application texts("Varnel", kUtf8CodePage, {});
  const std::string reason = DescribeOpenFailure(kMissingPort, ERROR_FILE_NOT_FOUND, {}, texts);
  EXPECT_EQ(reason.rfind(std::string(kMissingPort) + ": ", 0), 0u) << reason;
  EXPECT_EQ(reason.find_first_of("\r\n"), std::string::npos) << "one line";
  const std::vector<SerialDevice> present = ListSerialDevices({});
  EXPECT_NE(reason.find(" " + PresentDevicesText(present, texts) + " Check the cable"), std::string::npos) << reason;
}

}  // namespace
}  // namespace varnel
