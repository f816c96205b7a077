// A page's file name in the settings file on every platform: a name written
// in the code page converted from it; and the UTF-8 check that tells such a
// name from one in UTF-8. How each platform stores a name is in
// stored_file_name_posix_test.cpp and stored_file_name_win32_test.cpp.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "settings/stored_file_name.h"
#include "texts/code_page.h"

namespace varnel {
namespace {

TEST(StoredFileNameTest, ANameThatIsNotUtf8IsReadInTheCodePage) {
  // "C:\Мои файлы\dump.bin" as a Windows system with code page 1251 writes it.
  const std::string stored = "C:\\\xCC\xEE\xE8 \xF4\xE0\xE9\xEB\xFB\\dump.bin";
  EXPECT_EQ(FileNameFromStored(stored, kCyrillicCodePage), "C:\\Мои файлы\\dump.bin");
  EXPECT_EQ(FileNameFromStored("caf\xE9.bin", kLatin1CodePage), "café.bin");
}

TEST(StoredFileNameTest, Utf8CheckTakesWellFormedTextOnly) {
  struct Case {
    const char* what;
    std::string text;
    bool valid;
  };
  const std::array<Case, 14> kCases = {{
      {"ASCII", "plain.bin", true},
      {"two-byte", "\xC3\xA9", true},
      {"three-byte", "\xE2\x82\xAC", true},
      {"four-byte", "\xF0\x9F\x98\x80", true},
      {"highest code point", "\xF4\x8F\xBF\xBF", true},
      {"embedded NUL", std::string("a\0b", 3), true},
      {"stray continuation", "\x80", false},
      {"cut sequence", "\xE2\x82", false},
      {"overlong two-byte", "\xC0\xAF", false},
      {"overlong three-byte", "\xE0\x80\xAF", false},
      {"overlong four-byte", "\xF0\x80\x80\xAF", false},
      {"surrogate", "\xED\xA0\x80", false},
      {"past U+10FFFF", "\xF4\x90\x80\x80", false},
      {"code page 1251", "\xCC\xEE\xE8", false},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(IsValidUtf8(c.text), c.valid);
  }
}

}  // namespace
}  // namespace varnel
