// What the platform files of files/ share about the files the program
// creates: the reasons a path is refused (English, like the system's own
// reasons they stand beside), how temporary files are named, and, on POSIX,
// the modes that keep new files and folders private to their owner.
#pragma once

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace varnel::file_rules {

inline constexpr char kNotRegular[] = "not a regular file";
inline constexpr char kSymbolicLink[] = "a symbolic link, which is not followed";
inline constexpr char kChanged[] = "changed while it was being opened";
inline constexpr char kReadOnly[] = "read-only";
inline constexpr char kNotPrivate[] = "can't be made private to this user";

// Temporary files: "varnel-..." in a temporary folder, or the target's name
// with a unique middle ending in ".tmp"; a name taken means another try.
inline constexpr char kTemporaryPrefix[] = "varnel-";
inline constexpr char kTemporarySuffix[] = ".tmp";
inline constexpr int kTemporaryNameTries = 16;

#ifndef _WIN32
inline constexpr mode_t kPrivateFileMode = S_IRUSR | S_IWUSR;  // 0600
inline constexpr mode_t kPrivateDirMode = S_IRWXU;             // 0700
#endif

}  // namespace varnel::file_rules
