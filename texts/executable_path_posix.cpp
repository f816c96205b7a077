// Where the running executable lives, from /proc on Linux.
#include <system_error>

#include "texts/application.h"

namespace varnel {
namespace {

std::filesystem::path ExecutablePath(const char* argv0) {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) return self;
  return std::filesystem::absolute(argv0 != nullptr ? argv0 : "", error);
}

}  // namespace

std::string ExecutableBaseName(const char* argv0) { return ExecutablePath(argv0).stem().string(); }

std::filesystem::path ExecutableDir(const char* argv0) { return ExecutablePath(argv0).parent_path(); }

}  // namespace varnel
