// Where the running executable lives, from the module file name.
#include <windows.h>

#include "texts/application.h"

namespace varnel {
namespace {

std::filesystem::path ExecutablePath(const char* /*argv0*/) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path);
}

}  // namespace

std::string ExecutableBaseName(const char* argv0) {
  return ExecutablePath(argv0).stem().string();
}

std::filesystem::path ExecutableDir(const char* argv0) {
  return ExecutablePath(argv0).parent_path();
}

}  // namespace varnel
