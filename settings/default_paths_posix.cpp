// Default paths on POSIX: the home directory from HOME, else the user
// database.
#include "settings/default_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace varnel {
namespace {

constexpr char kDumpFileName[] = "dump.bin";

std::filesystem::path HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  const passwd* user = ::getpwuid(::getuid());
  if (user != nullptr && user->pw_dir != nullptr) return user->pw_dir;
  return {};
}

}  // namespace

std::string DefaultDumpFileName() { return (HomeDirectory() / kDumpFileName).string(); }

}  // namespace varnel
