// Replacing a file whole (the settings file, a saved log): the new content
// goes to a new file beside the old one, made with O_EXCL in the same
// folder, given the old file's permissions (a new file: private, 0600)
// before any byte is written, flushed to disk and renamed over the old
// file. Every step works on the folder's handle, opened once, so a folder
// or link swapped in meanwhile redirects nothing; the name replaced is
// never followed: a symbolic link there is refused, and one that appears
// after the check is itself replaced, its target untouched. A crash leaves
// the old file or the new one, never half of one. Where the folder refuses
// a new file but the file itself may be written (a read-only folder), the
// file is written in place instead, from its start, cut to length and
// flushed, as settings files always were. Platform pair; any thread.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace varnel {

// Makes `bytes` the whole content of `file`. An existing file keeps its
// permission bits (and, where this user may set them, its owner and
// group). True once the rename is done. False, changing nothing, leaving
// no temporary file and with the reason in `reason`, when `file` is a
// symbolic link or anything but a regular file, when it is read-only (no
// write permission bit at all, or none for this user), and when the folder
// can't be opened or the new file can't be made, written or renamed.
[[nodiscard]] bool ReplaceFile(const std::filesystem::path& file, std::string_view bytes, std::string* reason);

}  // namespace varnel
