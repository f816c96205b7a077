// The settings file's bytes on disk: read only when it is a regular file of
// sane size, and replaced as a whole through a temporary file and a rename,
// at the end of any chain of symbolic links, keeping its permissions. Each
// platform's file implements this header. Any thread; no shared state.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace varnel {

// The largest settings file that is read. A real one holds a few hundred
// bytes; anything near this is not a settings file.
inline constexpr uintmax_t kProfileFileMaxBytes = uintmax_t{4} << 20;  // 4 MiB

// What reading the settings file found.
enum class ProfileRead {
  Read,        // the bytes were read
  Absent,      // no such file, a dangling link, or a folder on the way is a file
  NotRegular,  // a FIFO, device, socket or directory: never opened
  TooLarge,    // over kProfileFileMaxBytes: not read
  Unreadable,  // exists but could not be read (no permission, a loop of links)
};

// Reads the whole of `file`, following symbolic links, into `bytes`.
// Returns Read with the file's bytes. On every other outcome `bytes` is
// empty: Absent, NotRegular and TooLarge are found from the file's
// attributes before it is opened, so a FIFO or a device is never opened
// (opening a FIFO for reading waits for a writer) and an oversized file is
// never read; a file swapped for one of those between the check and the
// open is caught on the open handle, which does not wait.
[[nodiscard]] ProfileRead ReadProfileFile(const std::filesystem::path& file, std::string* bytes);

// Makes `bytes` the whole content of `file`. When `file` is a symbolic
// link, the chain of links (absolute or relative, each relative one taken
// from its own link's folder) is followed and its final target is
// replaced, so the links stay links; a dangling chain creates its target.
// The new content goes to a temporary file beside the target, which is
// flushed to disk and renamed over the target, so a crash leaves either the
// old or the new file; an existing target's permissions (and, where this
// user may set them, its owner and group) are carried over.
// Returns true once the rename has been done. Returns false, changing
// nothing and leaving no temporary file, when the target exists but is
// not a regular file, when it is read-only (no write permission at all, or
// none for this user), when the chain of links loops or can't be read,
// and when the temporary file can't be made, written or renamed.
[[nodiscard]] bool ReplaceProfileFile(const std::filesystem::path& file, std::string_view bytes);

}  // namespace varnel
