// The user's directories on POSIX: HOME (else the user database) and the
// XDG configuration directory.
#include "texts/user_dirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace varnel {
namespace {

// Where the XDG rules put configuration when XDG_CONFIG_HOME is not set.
constexpr char kDefaultConfigHome[] = ".config";

}  // namespace

std::filesystem::path HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  const passwd* user = ::getpwuid(::getuid());
  if (user != nullptr && user->pw_dir != nullptr) return user->pw_dir;
  return {};
}

std::filesystem::path UserConfigDir() {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome != nullptr && std::filesystem::path(configHome).is_absolute()) {
    return std::filesystem::path(configHome) / kConfigDirName;
  }
  const std::filesystem::path home = HomeDirectory();
  if (home.empty()) return {};
  return home / kDefaultConfigHome / kConfigDirName;
}

}  // namespace varnel
