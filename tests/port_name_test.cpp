// Port names on every system: which names are COM names, and their number.
#include <gtest/gtest.h>

#include <array>
#include <string_view>

#include "port/port_name.h"

namespace varnel {
namespace {

TEST(PortNameTest, ComNamesInAnyLetterCaseGiveTheirNumberOtherNamesZero) {
  struct Case {
    std::string_view name;
    int number;
  };
  constexpr std::array<Case, 5> kCases = {{
      {"COM1", 1},
      {"com12", 12},
      {"Com256", 256},
      {"COM007", 7},
      {"COM2147483647", 2147483647},
  }};
  for (const Case& c : kCases) EXPECT_EQ(ComPortNumber(c.name), c.number) << c.name;
  for (std::string_view other :
       {"COM0", "COM", "COM1x", "COM-1", "COM+1", "COM 1", "/dev/ttyS0", "COM2147483648", "LPT1"}) {
    EXPECT_EQ(ComPortNumber(other), 0) << other;
  }
}

}  // namespace
}  // namespace varnel
