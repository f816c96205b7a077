// The user's own directories as the system names them: the home directory
// and the program's configuration directory. Each platform's file
// implements this header and CMake compiles one. Any thread; reads the
// environment, keeps nothing.
#pragma once

#include <filesystem>

namespace varnel {

// The folder of the program's files inside the system's configuration
// directory.
inline constexpr char kConfigDirName[] = "varnel";

// POSIX: HOME, or the home directory of the user database when HOME is
// unset or empty. Windows: USERPROFILE. Empty when none is known.
std::filesystem::path HomeDirectory();

// Where the user keeps the program's files when not in the working
// directory. POSIX: $XDG_CONFIG_HOME/varnel when XDG_CONFIG_HOME is an
// absolute path (a relative one is ignored, as the XDG base directory rules
// ask), else ~/.config/varnel. Windows: %APPDATA%\varnel. Empty when no
// home directory (no APPDATA) is known. The folder need not exist.
std::filesystem::path UserConfigDir();

}  // namespace varnel
