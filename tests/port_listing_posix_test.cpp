// "varnel-cli ports" over a fake device tree: one tab-separated line a
// device with the port map's names, "-" for what is not known.
#include <gtest/gtest.h>

#include "cli/port_listing.h"
#include "tests/fake_device_tree.h"

namespace varnel::testing {
namespace {

TEST(PortListingTest, ListsEachDeviceWithItsComNames) {
  FakeDeviceTree tree;
  tree.AddCommonDevices();
  tree.AddUsbPort({"ttyUSB1", "1a86", "7523", "Serial\tCable", "ch341", ""});
  // COM3 is mapped to ttyS0, so ttyUSB2 has no name left.
  const std::filesystem::path settings = tree.Path() / "Varnel.ini";
  FakeDeviceTree::Write(settings, std::string("[Ports]\nCOM5=") + kCableAdapterLink + "\nCOM3=/dev/ttyS0\n");
  EXPECT_EQ(cli::PortListing(tree.Roots(), settings),
            "/dev/ttyACM0\t-\t2e8a:000a\tCDC Modem\tcdc_acm\t-\n"
            "/dev/ttyS0\t-\t-\t-\t-\tCOM3\n"
            "/dev/ttyUSB0\t/dev/serial/by-id/usb-Cable_USB_UART_A1-if00-port0\t0403:6001\tFT232R USB UART\t"
            "ftdi_sio\tCOM1,COM5\n"
            "/dev/ttyUSB1\t-\t1a86:7523\tSerial\\tCable\tch341\tCOM2\n"
            "/dev/ttyUSB2\t-\t-\t-\tpl2303\t-\n");
}

TEST(PortListingTest, NoDeviceListsNothing) {
  FakeDeviceTree tree;
  tree.AddUart("ttyS0", "0");
  EXPECT_EQ(cli::PortListing(tree.Roots(), tree.Path() / "Varnel.ini"), "");
}

}  // namespace
}  // namespace varnel::testing
