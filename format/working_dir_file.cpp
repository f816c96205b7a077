// Case-insensitive lookup of files in a directory.
#include "format/working_dir_file.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "files/narrow_path.h"

namespace varnel {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

std::filesystem::path FindFileIgnoringCase(const std::filesystem::path& directory, std::string_view name) {
  std::filesystem::path exact = directory / PathFromNarrow(name);
  std::error_code error;
  if (std::filesystem::exists(exact, error)) return exact;
  std::filesystem::directory_iterator it(directory.empty() ? "." : directory, error);
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    // The name as the system spells it; std::string conversions of a path
    // can throw on Windows names that are not valid Unicode.
    if (EqualsIgnoringCase(NarrowFromPath(it->path().filename()), name)) return directory / it->path().filename();
  }
  return exact;
}

std::filesystem::path WorkingDirFile(std::string_view name) {
  return FindFileIgnoringCase(std::filesystem::path(), name);
}

}  // namespace varnel
