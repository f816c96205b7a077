// The final target of a chain of symbolic links, found the way the system
// resolves a path, for writers that replace a file by a rename and must
// replace the file a link points to rather than the link. Any thread.
#pragma once

#include <filesystem>
#include <optional>

namespace varnel {

// The most links followed before a chain counts as a loop (the limit
// Linux's path lookup uses).
inline constexpr int kMaxLinkHops = 40;

// `file` when it is not a symbolic link or does not exist; otherwise the
// path its chain of links ends in, which is not a link or does not exist
// (a dangling chain). A relative link is taken from the folder that holds
// that link, as the system does; nothing is normalised lexically, so
// "dir/.." means what the system makes of it. std::nullopt when a link
// can't be read or the chain is longer than kMaxLinkHops.
std::optional<std::filesystem::path> FinalLinkTarget(const std::filesystem::path& file);

}  // namespace varnel
