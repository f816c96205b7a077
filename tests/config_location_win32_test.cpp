// The user's configuration directory on Windows: %APPDATA%\varnel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "texts/user_dirs.h"

namespace varnel {
namespace {

// Sets an environment variable (empty: removes it) until the object goes,
// then restores what was there.
class ScopedVariable {
 public:
  ScopedVariable(const wchar_t* variableName, const std::wstring& value) : name(variableName) {
    if (const wchar_t* old = _wgetenv(name)) saved = old;
    _wputenv_s(name, value.c_str());
  }
  ~ScopedVariable() { _wputenv_s(name, saved ? saved->c_str() : L""); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const wchar_t* name;
  std::optional<std::wstring> saved;
};

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
