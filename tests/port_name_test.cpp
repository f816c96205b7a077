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
  constexpr std::array<Case, 14> kCases = {{
      {"COM1", 1},
      {"com12", 12},
      {"Com256", 256},
      {"COM007", 7},
      {"COM2147483647", 2147483647},
      {"COM0", 0},
      {"COM", 0},
      {"COM1x", 0},
      {"COM-1", 0},
      {"COM+1", 0},
      {"COM 1", 0},
      {"/dev/ttyS0", 0},
      {"COM2147483648", 0},
      {"LPT1", 0},
  }};
  for (const Case& c : kCases) EXPECT_EQ(ComPortNumber(c.name), c.number) << c.name;
}

}  // namespace
}  // namespace varnel
