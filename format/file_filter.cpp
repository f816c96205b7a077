// Reading "Caption|patterns||" filter texts.
#include "format/file_filter.h"

namespace varnel {
namespace {

constexpr char kFieldSeparator = '|';
constexpr char kPatternSeparator = ';';
constexpr std::string_view kEveryFileWindows = "*.*";
constexpr std::string_view kEveryFile = "*";

// The text up to the next `separator` (all of it when there is none), and
// `text` moved past the separator. False when `text` was already empty.
bool NextField(std::string_view* text, char separator, std::string_view* field) {
  if (text->empty()) return false;
  const size_t end = text->find(separator);
  *field = text->substr(0, end);
  text->remove_prefix(end == std::string_view::npos ? text->size() : end + 1);
  return true;
}

}  // namespace

std::vector<FileFilter> ParseFileFilters(std::string_view text) {
  std::vector<FileFilter> filters;
  std::string_view caption;
  std::string_view patterns;
  while (NextField(&text, kFieldSeparator, &caption) && !caption.empty() &&
         NextField(&text, kFieldSeparator, &patterns)) {
    FileFilter filter{std::string(caption), {}};
    std::string_view pattern;
    while (NextField(&patterns, kPatternSeparator, &pattern)) {
      if (pattern.empty()) continue;
      filter.patterns.emplace_back(pattern == kEveryFileWindows ? kEveryFile : pattern);
    }
    if (!filter.patterns.empty()) filters.push_back(std::move(filter));
  }
  return filters;
}

}  // namespace varnel
