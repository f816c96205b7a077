// The settings file's bytes on disk: read only when it is a regular file of
// sane size, and replaced as a whole through a temporary file and a rename,
// at the end of a chain of symbolic links this process may follow, keeping
// its permissions. Reading is each platform's (profile_file_posix.cpp,
// profile_file_win32.cpp). Any thread; no shared state.
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

// Makes `bytes` the whole content of `file` (files/replace_file.h: a new
// file beside it with its permissions, flushed and renamed over it). When
// `file` is a symbolic link, the chain of links (absolute or relative, each
// relative one taken from its own link's folder) is resolved once and its
// final target replaced, so the links stay links; a dangling chain creates
// its target. Only links this process may follow are followed (see
// MayFollowLink: none for the superuser; on Windows, where the standard
// library sees no links, a link there is refused by ReplaceFile). Returns true once the rename has
// been done. Returns false, changing nothing, leaving no temporary file
// and with the reason in `reason` (when given), when a link may not be
// followed, the chain loops or can't be read, the target is not a regular
// file or is read-only, or the new file can't be made, written or renamed.
[[nodiscard]] bool ReplaceProfileFile(const std::filesystem::path& file, std::string_view bytes,
                                      std::string* reason = nullptr);

}  // namespace varnel
