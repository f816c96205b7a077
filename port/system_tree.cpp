// Reading folder entries and one-line files of the system's trees.
#include "port/system_tree.h"

#include <algorithm>
#include <fstream>
#include <string_view>
#include <system_error>

#include "files/narrow_path.h"

namespace varnel {
namespace {

constexpr std::string_view kTrailingBlanks = " \t\r\n";

}  // namespace

std::vector<std::string> EntryNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    names.push_back(NarrowFromPath(it->path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string FirstLine(const std::filesystem::path& file) {
  std::ifstream stream(file);
  std::string line;
  if (!stream || !std::getline(stream, line)) return {};
  line.erase(line.find_last_not_of(kTrailingBlanks) + 1);
  return line;
}

}  // namespace varnel
