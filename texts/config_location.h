// Where the program's own files are found: the settings file and the
// loader package are looked for in the working directory first, then in
// the user's configuration directory (texts/user_dirs.h), so the program
// works alike when started from a folder of its files and from the desktop
// menu. Names match in any letter case in either place. Any thread; reads
// the file system, keeps nothing.
#pragma once

#include <filesystem>
#include <string_view>

namespace varnel {

// The file `name` to read: the working directory's entry of that name when
// it has one (a relative path), else `userDir`'s when it has one, else the
// working directory's name (a file that does not exist). An entry counts
// whatever it is: a dangling link, a FIFO or a folder of that name is
// found, and reading it then fails or is refused as anywhere else. An empty
// `userDir` means the working directory alone.
std::filesystem::path FindConfigFile(std::string_view name, const std::filesystem::path& userDir);

// The settings file `name` to read and write: FindConfigFile's when either
// place has it. When neither has, the file a first write creates: the
// working directory's when it holds the loader package `packageName` (a
// folder kept for the program) or when `userDir` is empty; else `userDir`'s.
std::filesystem::path FindSettingsFile(std::string_view name, std::string_view packageName,
                                       const std::filesystem::path& userDir);

}  // namespace varnel
