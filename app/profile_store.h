// The INI profile store: text files of "[section]" header lines and
// "key=value" lines. Section and key names match without regard to letter
// case; values are stored raw (no quoting or escaping). A write replaces the
// file atomically through a temporary file and a rename, so a crash never
// leaves half a file. A file that can't be read reads as defaults; a write
// that fails leaves the old file and returns false. Any thread, no caching.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace varnel {

// Values read as text are cut to this many characters.
inline constexpr size_t kProfileTextRoom = 259;

// The value of `key`, or `defaultValue` when the file, section or key is
// missing; cut to kProfileTextRoom characters.
std::string ReadProfileText(const std::filesystem::path& file, std::string_view section,
                            std::string_view key, std::string_view defaultValue);

// The value read as an optional sign and decimal digits, stopping at the
// first other character: "0x10" reads 0, "abc" reads 0, " 42" reads 42.
// A missing or empty value gives `defaultValue`.
int32_t ReadProfileInt(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, int32_t defaultValue);

// Sets `key` to `value`, creating the file, the section (appended after the
// others) and the key (after the section's last key) as needed. A value is
// written up to its first line break, which the format can't hold.
bool WriteProfileText(const std::filesystem::path& file, std::string_view section,
                      std::string_view key, std::string_view value);

}  // namespace varnel
