// INI profile store: parsing, lookups, quoting and the key updates.
#include "settings/profile_store.h"

#include <algorithm>
#include <utility>

#include "format/working_dir_file.h"

namespace varnel {
namespace {

constexpr std::string_view kBlanks = " \t\r";
constexpr std::string_view kLineBreaks = "\r\n";
constexpr char kQuote = '"';
constexpr char kCommentStart = ';';
constexpr char kUnixLineEnd[] = "\n";
constexpr char kWindowsLineEnd[] = "\r\n";

// A file's lines without their ends, each line's own end (so a rewrite
// keeps every line as it was), and the end its first line has, which lines
// added get.
struct ProfileLines {
  std::vector<std::string> lines;
  std::vector<std::string> ends;  // "" for a last line that had none
  std::string lineEnd = kUnixLineEnd;
};

ProfileLines SplitLines(std::string_view bytes) {
  ProfileLines file;
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    std::string line(bytes.substr(0, end));
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    std::string lineEnd = end == std::string_view::npos ? "" : kUnixLineEnd;
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
      lineEnd = "\r" + lineEnd;
    }
    if (file.lines.empty() && lineEnd == kWindowsLineEnd) file.lineEnd = kWindowsLineEnd;
    file.lines.push_back(std::move(line));
    file.ends.push_back(std::move(lineEnd));
  }
  return file;
}

std::string JoinLines(const ProfileLines& file) {
  std::string bytes;
  for (size_t i = 0; i < file.lines.size(); ++i) {
    // A last line without an end gets one: lines may follow it.
    const std::string& end = file.ends[i].empty() || file.ends[i] == "\r" ? file.ends[i] + file.lineEnd : file.ends[i];
    bytes += file.lines[i] + end;
  }
  return bytes;
}

// Inserts `line` before index `at`, with the file's line end.
void InsertLine(ProfileLines* file, size_t at, std::string line) {
  file->lines.insert(file->lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
  file->ends.insert(file->ends.begin() + static_cast<std::ptrdiff_t>(at), file->lineEnd);
}

std::string_view Trim(std::string_view text) {
  const size_t begin = text.find_first_not_of(kBlanks);
  if (begin == std::string_view::npos) return {};
  const size_t end = text.find_last_not_of(kBlanks);
  return text.substr(begin, end - begin + 1);
}

bool IsEnclosedInQuotes(std::string_view value) {
  return value.size() >= 2 && value.front() == kQuote && value.back() == kQuote;
}

// A value as written: quoted when a read would otherwise lose its blanks
// at either end or one pair of its own enclosing quotes.
std::string Quoted(std::string_view value) {
  const bool blankAtEnd = !value.empty() && (kBlanks.find(value.front()) != std::string_view::npos ||
                                             kBlanks.find(value.back()) != std::string_view::npos);
  if (!blankAtEnd && !IsEnclosedInQuotes(value)) return std::string(value);
  return kQuote + std::string(value) + kQuote;
}

// The name of a "[name]" line, or false for any other line.
bool SectionName(std::string_view line, std::string_view* name) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return false;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  *name = Trim(line.substr(1, close - 1));
  return true;
}

// The key of a "key=value" line and the value as a read gives it; false for
// other lines and comments.
bool KeyLine(std::string_view line, std::string_view* key, std::string_view* value) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  *key = Trim(line.substr(0, equals));
  *value = Trim(line.substr(equals + 1));
  if (IsEnclosedInQuotes(*value)) *value = value->substr(1, value->size() - 2);
  return !key->empty() && key->front() != kCommentStart;
}

// Puts `keyLine` into the section, replacing the key's line if present.
void SetKey(ProfileLines* file, std::string_view section, std::string_view key, const std::string& keyLine) {
  bool inSection = false;
  bool sectionFound = false;
  size_t insertAt = 0;
  for (size_t i = 0; i < file->lines.size(); ++i) {
    std::string_view name, lineKey, lineValue;
    if (SectionName(file->lines[i], &name)) {
      inSection = EqualsIgnoringCase(name, section);
      if (inSection) {
        sectionFound = true;
        insertAt = i + 1;
      }
    } else if (inSection && KeyLine(file->lines[i], &lineKey, &lineValue)) {
      if (EqualsIgnoringCase(lineKey, key)) {
        file->lines[i] = keyLine;
        return;
      }
      insertAt = i + 1;
    }
  }
  if (sectionFound) {
    InsertLine(file, insertAt, keyLine);
    return;
  }
  InsertLine(file, file->lines.size(), "[" + std::string(section) + "]");
  InsertLine(file, file->lines.size(), keyLine);
}

// Calls `visit(key, value)` for each key line under a `section` header
// (headers of the same name count as one section), in file order, until
// `visit` returns false.
template <typename Visit>
void ForEachKey(const std::vector<std::string>& lines, std::string_view section, Visit visit) {
  bool inSection = false;
  for (const std::string& line : lines) {
    std::string_view name, lineKey, lineValue;
    if (SectionName(line, &name)) {
      inSection = EqualsIgnoringCase(name, section);
    } else if (inSection && KeyLine(line, &lineKey, &lineValue) && !visit(lineKey, lineValue)) {
      return;
    }
  }
}

}  // namespace

Profile::Profile(ProfileRead readStatus, std::vector<std::string> fileLines)
    : status(readStatus), lines(std::move(fileLines)) {}

Profile Profile::Load(const std::filesystem::path& file) {
  std::string bytes;
  const ProfileRead read = ReadProfileFile(file, &bytes);
  return Profile(read, SplitLines(bytes).lines);
}

std::optional<std::string> Profile::Find(std::string_view section, std::string_view key) const {
  std::optional<std::string> found;
  ForEachKey(lines, section, [&](std::string_view lineKey, std::string_view lineValue) {
    if (EqualsIgnoringCase(lineKey, key)) found = std::string(lineValue);
    return !found;
  });
  return found;
}

std::vector<std::string> Profile::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  ForEachKey(lines, section, [&](std::string_view lineKey, std::string_view) {
    const bool seen =
        std::any_of(keys.begin(), keys.end(), [&](const std::string& key) { return EqualsIgnoringCase(key, lineKey); });
    if (!seen) keys.emplace_back(lineKey);
    return true;
  });
  return keys;
}

std::string Profile::Text(std::string_view section, std::string_view key, std::string_view defaultValue) const {
  std::string value = Find(section, key).value_or(std::string(defaultValue));
  if (value.size() > kProfileTextRoom) value.resize(kProfileTextRoom);
  return value;
}

int32_t Profile::Int(std::string_view section, std::string_view key, int32_t defaultValue) const {
  const std::optional<std::string> found = Find(section, key);
  // A quoted value may hold blanks; the number is read as if they weren't.
  const std::string_view value = found ? Trim(*found) : std::string_view();
  if (value.empty()) return defaultValue;
  size_t i = 0;
  bool negative = false;
  if (value[i] == '-' || value[i] == '+') negative = value[i++] == '-';
  uint32_t number = 0;  // wraps like the platform's reader
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    number = number * 10 + static_cast<uint32_t>(value[i] - '0');
  }
  return static_cast<int32_t>(negative ? 0u - number : number);
}

std::string ReadProfileText(const std::filesystem::path& file, std::string_view section, std::string_view key,
                            std::string_view defaultValue) {
  return Profile::Load(file).Text(section, key, defaultValue);
}

int32_t ReadProfileInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
                       int32_t defaultValue) {
  return Profile::Load(file).Int(section, key, defaultValue);
}

bool WriteProfileTexts(const std::filesystem::path& file, std::string_view section,
                       std::span<const ProfileEntry> entries) {
  std::string bytes;
  const ProfileRead read = ReadProfileFile(file, &bytes);
  // A file that is there but was not read must not be replaced by one that
  // holds only these keys.
  if (read != ProfileRead::Read && read != ProfileRead::Absent) return false;
  ProfileLines content = SplitLines(bytes);
  for (const ProfileEntry& entry : entries) {
    const std::string_view value = entry.value.substr(0, entry.value.find_first_of(kLineBreaks));
    SetKey(&content, section, entry.key, std::string(entry.key) + "=" + Quoted(value));
  }
  return ReplaceProfileFile(file, JoinLines(content));
}

bool WriteProfileText(const std::filesystem::path& file, std::string_view section, std::string_view key,
                      std::string_view value) {
  const ProfileEntry entry{key, value};
  return WriteProfileTexts(file, section, std::span<const ProfileEntry>(&entry, 1));
}

}  // namespace varnel
