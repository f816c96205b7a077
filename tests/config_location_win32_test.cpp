// The user's configuration directory on Windows: %APPDATA%\varnel.
#include <gtest/gtest.h>

#include "tests/scoped_variable_win32.h"
#include "texts/user_dirs.h"

namespace varnel {
namespace {

TEST(UserConfigDirTest, TheRoamingApplicationDataFolderElseNone) {
  {
    ScopedVariable appData(L"APPDATA", L"C:\\Users\\someone\\AppData\\Roaming");
    EXPECT_EQ(UserConfigDir(), std::filesystem::path(L"C:\\Users\\someone\\AppData\\Roaming\\varnel"));
  }
  ScopedVariable unset(L"APPDATA", L"");
  EXPECT_TRUE(UserConfigDir().empty());
}

}  // namespace
}  // namespace varnel
