// The working directory first, then the user's configuration directory.
#include "texts/config_location.h"

#include <system_error>

#include "format/working_dir_file.h"

namespace varnel {
namespace {

// Whether the directory has an entry at `path`, whatever it points to.
bool HasEntry(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
  return !error && status.type() != std::filesystem::file_type::not_found;
}

}  // namespace

std::filesystem::path FindConfigFile(std::string_view name, const std::filesystem::path& userDir) {
  const std::filesystem::path local = WorkingDirFile(name);
  if (HasEntry(local) || userDir.empty()) return local;
  const std::filesystem::path user = FindFileIgnoringCase(userDir, name);
  return HasEntry(user) ? user : local;
}

std::filesystem::path FindSettingsFile(std::string_view name, std::string_view packageName,
                                       const std::filesystem::path& userDir) {
  const std::filesystem::path found = FindConfigFile(name, userDir);
  if (HasEntry(found) || userDir.empty() || HasEntry(WorkingDirFile(packageName))) return found;
  return FindFileIgnoringCase(userDir, name);
}

}  // namespace varnel
