// The sentence on the serial devices present, on every system.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "port/open_failure.h"
#include "texts/code_page.h"

namespace varnel {
namespace {

TEST(OpenFailureTest, PresentDevicesAreNamedWithTheirProduct) {
  struct Case {
    std::vector<SerialDevice> devices;
    const char* text;
  };
  const std::array<Case, 3> kCases = {{
      {{}, "No serial device is present."},
      {{{"COM3", "", "", "", "", ""}}, "Serial devices present: COM3."},
      {{{"/dev/ttyUSB0", "", "0403", "6001", "FT232R USB UART", "ftdi_sio"}, {"/dev/ttyS0", "", "", "", "", ""}},
       "Serial devices present: /dev/ttyUSB0 (FT232R USB UART), /dev/ttyS0."},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(PresentDevicesText(c.devices, Application("Varnel", kUtf8CodePage, {})), c.text);
  }
}

}  // namespace
}  // namespace varnel
