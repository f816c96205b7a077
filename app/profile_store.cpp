// INI profile store.
#include "app/profile_store.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "app/working_dir_file.h"

namespace varnel {
namespace {

struct ProfileFile {
  std::vector<std::string> lines;
  std::string lineEnd = "\n";
};

std::string_view Trim(std::string_view text) {
  size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

// The name of a "[name]" line, or false for any other line.
bool SectionName(std::string_view line, std::string_view* name) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return false;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  *name = Trim(line.substr(1, close - 1));
  return true;
}

bool KeyLine(std::string_view line, std::string_view* key, std::string_view* value) {
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  *key = Trim(line.substr(0, equals));
  *value = Trim(line.substr(equals + 1));
  return !key->empty() && key->front() != ';';
}

bool Load(const std::filesystem::path& path, ProfileFile* file) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  bool first = true;
  while (std::getline(in, line)) {
    if (first && !line.empty() && line.back() == '\r') file->lineEnd = "\r\n";
    first = false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    file->lines.push_back(line);
  }
  return true;
}

bool FindValue(const std::filesystem::path& path, std::string_view section,
               std::string_view key, std::string* value) {
  ProfileFile file;
  if (!Load(path, &file)) return false;
  bool inSection = false;
  for (const std::string& line : file.lines) {
    std::string_view name, lineKey, lineValue;
    if (SectionName(line, &name)) {
      inSection = EqualsIgnoringCase(name, section);
    } else if (inSection && KeyLine(line, &lineKey, &lineValue) &&
               EqualsIgnoringCase(lineKey, key)) {
      *value = std::string(lineValue);
      return true;
    }
  }
  return false;
}

std::filesystem::path TemporaryName(const std::filesystem::path& path) {
  static std::atomic<uint32_t> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::filesystem::path temporary = path;
  temporary += ".tmp" + std::to_string(stamp) + "-" + std::to_string(counter++);
  return temporary;
}

bool Save(const std::filesystem::path& path, const ProfileFile& file) {
  std::filesystem::path temporary = TemporaryName(path);
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    for (const std::string& line : file.lines) out << line << file.lineEnd;
    out.flush();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) std::filesystem::remove(temporary, error);
  return !error;
}

// Puts "key=value" into the section, replacing the key's line if present.
void SetKey(ProfileFile* file, std::string_view section, std::string_view key,
            const std::string& keyLine) {
  bool inSection = false;
  size_t insertAt = 0;
  bool sectionFound = false;
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
    file->lines.insert(file->lines.begin() + static_cast<std::ptrdiff_t>(insertAt), keyLine);
    return;
  }
  file->lines.push_back("[" + std::string(section) + "]");
  file->lines.push_back(keyLine);
}

}  // namespace

std::string ReadProfileText(const std::filesystem::path& file, std::string_view section,
                            std::string_view key, std::string_view defaultValue) {
  std::string value;
  if (!FindValue(file, section, key, &value)) value = std::string(defaultValue);
  if (value.size() > kProfileTextRoom) value.resize(kProfileTextRoom);
  return value;
}

int32_t ReadProfileInt(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, int32_t defaultValue) {
  std::string value;
  if (!FindValue(file, section, key, &value) || value.empty()) return defaultValue;
  size_t i = 0;
  bool negative = false;
  if (value[i] == '-' || value[i] == '+') negative = value[i++] == '-';
  uint32_t number = 0;  // wraps like the platform's reader
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    number = number * 10 + static_cast<uint32_t>(value[i] - '0');
  }
  return static_cast<int32_t>(negative ? 0u - number : number);
}

bool WriteProfileText(const std::filesystem::path& file, std::string_view section,
                      std::string_view key, std::string_view value) {
  ProfileFile content;
  std::error_code error;
  if (std::filesystem::exists(file, error) && !Load(file, &content)) return false;
  value = value.substr(0, value.find_first_of("\r\n"));
  SetKey(&content, section, key, std::string(key) + "=" + std::string(value));
  return Save(file, content);
}

}  // namespace varnel
