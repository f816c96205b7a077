// Following a chain of symbolic links with std::filesystem, and the rule
// for which links a write may follow.
#include "settings/link_target.h"

#include <system_error>

namespace varnel {
namespace {

constexpr uint32_t kGroupOrOthersWrite = 0022;
constexpr uint32_t kSticky = 01000;

bool Trusted(uint32_t user, uint32_t owner) { return owner == user || owner == kSuperuser; }

}  // namespace

bool MayFollowLink(uint32_t user, const LinkPlace& place) {
  if (user == kSuperuser) return false;
  if (!Trusted(user, place.linkOwner) || !Trusted(user, place.folderOwner)) return false;
  return (place.folderMode & kGroupOrOthersWrite) == 0 || (place.folderMode & kSticky) != 0;
}

std::optional<std::filesystem::path> FinalLinkTarget(const std::filesystem::path& file) {
  std::filesystem::path current = file;
  for (int followed = 0;; ++followed) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(current, error);
    // Not found is an answer, not an error: the writer creates that file.
    if (status.type() == std::filesystem::file_type::not_found) return current;
    if (error) return std::nullopt;
    if (status.type() != std::filesystem::file_type::symlink) return current;
    if (followed == kMaxLinkHops || !MayFollowLinkAt(current)) return std::nullopt;
    const std::filesystem::path target = std::filesystem::read_symlink(current, error);
    if (error) return std::nullopt;
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
}

}  // namespace varnel
