// The working directory first, then the user's configuration directory.
#include "texts/config_location.h"

#include <system_error>
#include <vector>

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

bool MakeConfigDir(const std::filesystem::path& dir) {
  std::error_code error;
  // Made from the outermost missing folder inwards.
  std::vector<std::filesystem::path> missing;
  for (std::filesystem::path at = dir; !at.empty() && !HasEntry(at); at = at.parent_path()) {
    missing.push_back(at);
    if (at == at.parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    // Made by someone else meanwhile is fine; its permissions stay theirs.
    const bool made = std::filesystem::create_directory(*it, error);
    if (error) break;
    if (made) {
      std::filesystem::permissions(*it, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, error);
    }
  }
  return std::filesystem::is_directory(dir, error);
}

}  // namespace varnel
