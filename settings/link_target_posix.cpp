// Which links this process may follow, from lstat of the link and stat of
// its folder.
#include <sys/stat.h>
#include <unistd.h>

#include "settings/link_target.h"

namespace varnel {

bool MayFollowLinkAt(const std::filesystem::path& link) {
  const std::filesystem::path folder = link.has_parent_path() ? link.parent_path() : ".";
  struct stat linkInfo {};
  struct stat folderInfo {};
  if (::lstat(link.c_str(), &linkInfo) != 0 || ::stat(folder.c_str(), &folderInfo) != 0) return false;
  return MayFollowLink(::geteuid(), {linkInfo.st_uid, folderInfo.st_uid, folderInfo.st_mode});
}

}  // namespace varnel
