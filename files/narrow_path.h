// File names as the system passes narrow strings (command-line arguments,
// the link's file names): the bytes as they are on POSIX; UTF-8 on Windows,
// where every file function takes the wide-character form, so any name
// works whatever the ANSI code page. Any thread.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace varnel {

// The path a narrow name stands for.
std::filesystem::path PathFromNarrow(std::string_view name);

// The narrow name of `path` (the inverse of PathFromNarrow).
std::string NarrowFromPath(const std::filesystem::path& path);

}  // namespace varnel
