// The Options dialog's indexes: opened from the port settings, and mapped
// back after the dialog has closed; the window's defaults and the flash
// page's stored Verify box.
#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "format/flash_bank.h"
#include "format/hex_text.h"
#include "port/port_name.h"
#include "settings/port_options.h"
#include "settings/profile_store.h"
#include "settings/settings.h"
#include "tests/test_support.h"

namespace varnel {
namespace {

TEST(PortOptionsTest, OpensWithTheIndexesOfTheSettingsAndNoneForValuesNotOffered) {
  struct Case {
    PortSettings settings;
    OptionChoices choices;
  };
  constexpr int32_t kLowest = std::numeric_limits<int32_t>::min();
  const std::array<Case, 5> kCases = {{
      {{1, 115200, 1024}, {0, 0, 0}},
      {{3, 460800, 8192}, {2, 2, 3}},
      {{9, 57600, 512}, {8, kNoChoice, kNoChoice}},
      {{0, 230400, 2048}, {kNoChoice, 1, 1}},
      {{kLowest, 0, 0}, {int64_t{kLowest} - 1, kNoChoice, kNoChoice}},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.settings.comPort);
    EXPECT_EQ(ChoicesFor(c.settings), c.choices);
    // Closing without OK keeps the opening indexes: nothing changes.
    EXPECT_EQ(ApplyChoices(ChoicesFor(c.settings), c.settings), c.settings);
  }
}

TEST(PortOptionsTest, MapsTheChosenIndexesBackKeepingValuesNotChosen) {
  struct Case {
    const char* what;
    OptionChoices choices;
    PortSettings expected;
  };
  const PortSettings stored{9, 57600, 512};
  const std::array<Case, 4> kCases = {{
      {"OK with nothing chosen", {kNoChoice, kNoChoice, kNoChoice}, {0, 57600, 512}},
      {"COM3, the second speed, the last block", {2, 1, 3}, {3, 230400, 8192}},
      {"COM8, the first speed and block", {7, 0, 0}, {8, 115200, 1024}},
      {"indexes past the groups", {8, 3, 4}, {9, 57600, 512}},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ApplyChoices(c.choices, stored), c.expected);
  }
  EXPECT_EQ(PortName(12), "COM12");
  EXPECT_EQ(PortName(0), "COM0");
}

// The settings file's defaults are the first offered choices and the
// system region, as the region panel's first preset fills it in.
TEST(PortOptionsTest, TheDefaultsAreTheFirstChoicesAndTheSystemRegion) {
  const WindowSettings defaults;
  EXPECT_EQ(ChoicesFor({defaults.comPort, defaults.comSpeed, defaults.blockSize}), (OptionChoices{0, 0, 0}));
  EXPECT_EQ(ScanHexText(defaults.offsetText), kSystemRegion.offset);
  EXPECT_EQ(ScanHexText(defaults.sizeText), kSystemRegion.size);
  EXPECT_EQ(defaults.preset, 0);
}

// The flash page's Verify box is stored as 1 or 0, and has no value until
// it was once saved: the page then uses its own default.
TEST(VerifySettingTest, IsOneOrZeroAndAbsentUntilSaved) {
  testing::TempDir dir;
  const std::filesystem::path file = dir / "Varnel.ini";
  EXPECT_EQ(LoadVerifyAfterFlash(Profile::Load(file)), std::nullopt);
  for (bool verify : {true, false}) {
    ASSERT_TRUE(SaveVerifyAfterFlash(file, verify));
    EXPECT_EQ(LoadVerifyAfterFlash(Profile::Load(file)), verify);
  }
}

}  // namespace
}  // namespace varnel
