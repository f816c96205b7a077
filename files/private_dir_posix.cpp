// Private folders with mkdir(2), the mode given at creation.
#include "files/private_dir.h"

#include <sys/stat.h>

#include <cerrno>
#include <system_error>
#include <vector>

#include "files/file_rules.h"

namespace varnel {

using file_rules::kPrivateDirMode;

bool MakePrivateDir(const std::filesystem::path& dir) {
  // Made from the outermost missing folder inwards.
  std::vector<std::filesystem::path> missing;
  std::error_code error;
  for (std::filesystem::path at = dir; !at.empty(); at = at.parent_path()) {
    if (std::filesystem::symlink_status(at, error).type() != std::filesystem::file_type::not_found) break;
    missing.push_back(at);
    if (at == at.parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    // Made by someone else meanwhile is fine; its permissions stay theirs.
    if (::mkdir(it->c_str(), kPrivateDirMode) != 0 && errno != EEXIST) break;
  }
  return std::filesystem::is_directory(dir, error);
}

}  // namespace varnel
