// Where the running executable lives, from the module file name, however
// long the path and whatever its letters.
#include <windows.h>

#include <string>

#include "files/narrow_path.h"
#include "texts/application.h"

namespace varnel {
namespace {

// Paths may be longer than MAX_PATH; each try doubles the room.
constexpr int kGrowthTries = 6;

std::filesystem::path ExecutablePath(const char* /*argv0*/) {
  std::wstring path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < kGrowthTries; ++attempt) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    // A name that filled the room may have been cut.
    if (length < path.size()) {
      path.resize(length);
      return std::filesystem::path(path);
    }
    path.resize(path.size() * 2);
  }
  return {};
}

}  // namespace

std::string ExecutableBaseName(const char* argv0) { return NarrowFromPath(ExecutablePath(argv0).stem()); }

std::filesystem::path ExecutableDir(const char* argv0) { return ExecutablePath(argv0).parent_path(); }

}  // namespace varnel
