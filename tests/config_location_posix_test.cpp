// The user's configuration directory from HOME and XDG_CONFIG_HOME, the
// folders made for it open to their owner alone, and a dangling link in the
// working directory still counting as the settings file there.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "format/loader_package.h"
#include "tests/scoped_variable_posix.h"
#include "tests/test_support.h"
#include "texts/config_location.h"
#include "texts/user_dirs.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

TEST(UserConfigDirTest, XdgConfigHomeWhenAbsoluteElseTheHomeDirectorysConfig) {
  struct Case {
    const char* what;
    std::optional<std::string> xdg;
    std::string expected;
  };
  const std::array<Case, 4> kCases = {{
      {"unset", std::nullopt, "/home/someone/.config/varnel"},
      {"empty", "", "/home/someone/.config/varnel"},
      {"relative: ignored", "relative/config", "/home/someone/.config/varnel"},
      {"absolute", "/srv/conf", "/srv/conf/varnel"},
  }};
  ScopedVariable home("HOME", "/home/someone");
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    ScopedVariable xdg("XDG_CONFIG_HOME", c.xdg);
    EXPECT_EQ(UserConfigDir(), fs::path(c.expected));
  }
}

TEST(UserConfigDirTest, WithoutHomeTheUserDatabaseNamesTheHomeDirectory) {
  ScopedVariable home("HOME", std::nullopt);
  ScopedVariable xdg("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_FALSE(HomeDirectory().empty());
  EXPECT_EQ(UserConfigDir(), HomeDirectory() / ".config" / "varnel");
}

TEST(ConfigLocationPosixTest, ADanglingLinkInTheWorkingDirectoryIsItsSettingsFile) {
  testing::TempDir root;
  const fs::path userDir = root / "varnel";
  fs::create_directories(userDir);
  std::ofstream(userDir / "Varnel.ini") << "[Settings]\n";
  testing::ScopedWorkingDir cwd(root.Path());
  fs::create_symlink(root / "elsewhere.ini", "Varnel.ini");
  EXPECT_EQ(FindSettingsFile("Varnel.ini", kLoaderPackageName, userDir), fs::path("Varnel.ini"));
}

}  // namespace
}  // namespace varnel
