// The user's directories on Windows: the profile folder and the roaming
// application data folder, read as wide strings so that any name works.
#include "texts/user_dirs.h"

#include <cstdlib>

namespace varnel {
namespace {

// A directory named by an environment variable; empty when it is unset or
// empty.
std::filesystem::path DirectoryFromEnvironment(const wchar_t* variable) {
  const wchar_t* value = _wgetenv(variable);
  if (value == nullptr || *value == L'\0') return {};
  return std::filesystem::path(value);
}

}  // namespace

std::filesystem::path HomeDirectory() { return DirectoryFromEnvironment(L"USERPROFILE"); }

std::filesystem::path UserConfigDir() {
  const std::filesystem::path appData = DirectoryFromEnvironment(L"APPDATA");
  if (appData.empty()) return {};
  return appData / kConfigDirName;
}

}  // namespace varnel
