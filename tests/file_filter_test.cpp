// The file dialogs' filter text read into captions and patterns.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "format/file_filter.h"

namespace varnel {
namespace {

TEST(FileFilterTest, ReadsCaptionAndPatternPairsUpToTheEmptyCaption) {
  struct Case {
    const char* text;
    std::vector<FileFilter> filters;
  };
  const std::array<Case, 5> kCases = {{
      // "*.*" means every file, as it does on Windows.
      {kBinaryFileFilter, {{"Binary files (*.bin)", {"*.bin"}}, {"All files (*.*)", {"*"}}}},
      {"Images|*.png;*.jpg||Ignored|*.x||", {{"Images", {"*.png", "*.jpg"}}}},
      {"No end|*.a", {{"No end", {"*.a"}}}},
      // ---- texts with parts missing ----
      {"Caption only|", {}},
      {"", {}},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseFileFilters(c.text), c.filters);
  }
}

}  // namespace
}  // namespace varnel
