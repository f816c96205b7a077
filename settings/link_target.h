// The final target of a chain of symbolic links, found the way the system
// resolves a path, for the settings writer, which replaces a file by a
// rename and must replace the file a link points to rather than the link;
// and which links it may follow at all. Any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace varnel {

// The most links followed before a chain counts as a loop (the limit
// Linux's path lookup uses).
inline constexpr int kMaxLinkHops = 40;

// Who may change a link: its owner, and the folder that holds it (whoever
// may write a folder may put another link in its place).
struct LinkPlace {
  uint32_t linkOwner = 0;
  uint32_t folderOwner = 0;
  uint32_t folderMode = 0;  // the folder's permission bits, as in stat's st_mode
};

inline constexpr uint32_t kSuperuser = 0;

// Whether `user` may have a write follow the link at `place`: never for the
// superuser (a link in a folder copied from someone else could send its
// writes anywhere); otherwise only a link owned by the user or the
// superuser, in a folder owned by one of them that no one else may write
// (group and others have no write permission) unless it is sticky, where
// only an entry's owner may replace it.
bool MayFollowLink(uint32_t user, const LinkPlace& place);

// Whether this process may follow the link `link` (POSIX: MayFollowLink
// with this process's effective user; Windows: any link).
bool MayFollowLinkAt(const std::filesystem::path& link);

// `file` when it is not a symbolic link or does not exist; otherwise the
// path its chain of links ends in, which is not a link or does not exist
// (a dangling chain). A relative link is taken from the folder that holds
// that link, as the system does; nothing is normalised lexically, so
// "dir/.." means what the system makes of it. std::nullopt when a link
// can't be read, may not be followed (MayFollowLinkAt), or the chain is
// longer than kMaxLinkHops.
std::optional<std::filesystem::path> FinalLinkTarget(const std::filesystem::path& file);

}  // namespace varnel
