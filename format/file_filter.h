// The flash and dump pages' file dialog filter (and the saved log's), written as the classic
// "Caption|patterns|Caption|patterns||" text, and its reading into
// caption and pattern pairs. A pattern "*.*" means every file, as on
// Windows; elsewhere a literal "*.*" would hide names without a dot, so it
// is read as "*". Qt-free, any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnel {

inline constexpr char kBinaryFileFilter[] = "Binary files (*.bin)|*.bin|All files (*.*)|*.*||";
// Added to a name typed without an extension.
inline constexpr char kBinaryFileSuffix[] = "bin";
// The saved log's filter and suffix.
inline constexpr char kTextFileFilter[] = "Text files (*.txt)|*.txt|All files (*.*)|*.*||";
inline constexpr char kTextFileSuffix[] = "txt";

struct FileFilter {
  std::string caption;  // shown as it stands
  std::vector<std::string> patterns;

  bool operator==(const FileFilter&) const = default;
};

// The pairs of `text` up to its end or an empty caption; patterns are
// separated by ';'. A caption without its pattern part is left out.
std::vector<FileFilter> ParseFileFilters(std::string_view text);

}  // namespace varnel
