// The INI profile store: text files of "[section]" header lines and
// "key=value" lines. Section and key names match without regard to letter
// case. Values are stored raw, except that one with blanks at either end,
// or that starts and ends with a double quote, is written inside a pair of
// double quotes; a read trims the blanks around a value and then drops one
// pair of enclosing double quotes, as the Windows profile reader does.
// The file's bytes go through settings/profile_file.h: only a regular file of
// sane size is read, and a write replaces the file whole. Any thread; no
// caching and no shared state.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/profile_file.h"

namespace varnel {

// Values read as text are cut to this many characters: the Windows profile
// reader's buffer of MAX_PATH less its terminator.
inline constexpr size_t kProfileTextRoom = 259;

// A profile file read and parsed once. Lookups answer from the copy in
// memory, so a group of keys costs one read of the file, and the answers
// stay as they were whatever happens to the file afterwards.
class Profile {
 public:
  // Reads and parses `file` (see ReadProfileFile). Whenever ReadStatus()
  // is other than Read, the profile is empty and every lookup misses.
  static Profile Load(const std::filesystem::path& file);

  // How the file was read: Absent for a missing file, NotRegular,
  // TooLarge or Unreadable for one that exists and was ignored.
  ProfileRead ReadStatus() const { return status; }

  // The value of the first `key` line under a `section` header (headers
  // of the same name count as one section): the blanks around it trimmed,
  // then one pair of enclosing double quotes removed; not cut.
  // std::nullopt when the section or the key is missing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

  // The keys of `section` in the order of the file, each once: a key that
  // recurs (in any letter case) is named as first written. Empty when the
  // section is missing.
  std::vector<std::string> Keys(std::string_view section) const;

  // Find, or `defaultValue` when missing; either is cut to
  // kProfileTextRoom characters.
  std::string Text(std::string_view section, std::string_view key, std::string_view defaultValue) const;

  // The value, less blanks at either end (a quoted value keeps them), read
  // as an optional sign and decimal digits, stopping at the first other
  // character: "0x10" reads 0, "abc" reads 0, " 42 " reads 42,
  // "4294967295" wraps to -1. A missing, empty or blank value gives
  // `defaultValue`.
  int32_t Int(std::string_view section, std::string_view key, int32_t defaultValue) const;

 private:
  Profile(ProfileRead readStatus, std::vector<std::string> fileLines);

  ProfileRead status;
  std::vector<std::string> lines;
};

// One key and the value to write for it.
struct ProfileEntry {
  std::string_view key;
  std::string_view value;
};

// Profile::Load(file).Text(section, key, defaultValue).
std::string ReadProfileText(const std::filesystem::path& file, std::string_view section, std::string_view key,
                            std::string_view defaultValue);

// Profile::Load(file).Int(section, key, defaultValue).
int32_t ReadProfileInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
                       int32_t defaultValue);

// Sets each entry's key of `section` to its value in one replacement of
// the file, creating the file, the section (appended after the others) and
// keys (after the section's last key) as needed; other lines keep their
// text and the file its line ends. A value is written up to its first line
// break, which the format can't hold, and quoted as the file's opening
// comment says. Returns true when the file was replaced. Returns false and
// leaves the file as it was when it exists but was not read (not a regular
// file, too large, unreadable) or can't be replaced (see
// ReplaceProfileFile: read-only, not a regular file, no room).
bool WriteProfileTexts(const std::filesystem::path& file, std::string_view section,
                       std::span<const ProfileEntry> entries);

// WriteProfileTexts with the one entry {key, value}.
bool WriteProfileText(const std::filesystem::path& file, std::string_view section, std::string_view key,
                      std::string_view value);

}  // namespace varnel
