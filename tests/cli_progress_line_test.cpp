// The command-line tool's progress line: bar, percent, counter and rate.
#include <gtest/gtest.h>

#include <array>

#include "cli/cli_owner.h"

namespace varnel::cli {
namespace {

TEST(ProgressLineTest, BarPercentCounterAndRate) {
  struct Case {
    uint32_t done;
    uint32_t total;
    const char* rate;
    const char* line;
  };
  const std::array<Case, 5> kCases = {{
      {0, 3145728, "", "Receiving... [                              ]   0% 0/3145728"},
      {1409024, 3145728, "44.9 KiB/s, 0:39 left",
       "Receiving... [#############                 ]  44% 1409024/3145728 44.9 KiB/s, 0:39 left"},
      {3145728, 3145728, "44.9 KiB/s", "Receiving... [##############################] 100% 3145728/3145728 44.9 KiB/s"},
      // More than the total (a last block longer than announced) stays within the bar.
      {5000, 4096, "", "Receiving... [##############################] 100% 5000/4096"},
      {0, 0, "", "Receiving... [                              ]   0% 0/0"},
  }};
  for (const Case& c : kCases) {
    EXPECT_EQ(ProgressLine("Receiving...", c.done, c.total, c.rate), c.line);
  }
}

}  // namespace
}  // namespace varnel::cli
