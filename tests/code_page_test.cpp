// Conversions between UTF-8 and a code page on every platform: what the
// code page holds goes both ways unchanged, a character it lacks becomes
// one '?' and never a look-alike letter, and an unknown code page leaves
// the text as it is.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "texts/code_page.h"

namespace varnel {
namespace {

TEST(CodePageConversionTest, EachCharacterBecomesItsBytesOrOneQuestionMark) {
  struct Case {
    uint32_t codePage;
    const char* utf8;
    const char* inCodePage;
    bool held;  // every character is in the code page: ToUtf8 gives the text back
  };
  constexpr std::array<Case, 10> kCases = {{
      {kCyrillicCodePage, "Мои файлы", "\xCC\xEE\xE8 \xF4\xE0\xE9\xEB\xFB", true},
      {kLatin1CodePage, "café", "caf\xE9", true},
      {kAsciiCodePage, "plain.bin", "plain.bin", true},
      {kUtf8CodePage, "Мои файлы", "Мои файлы", true},
      {kCyrillicCodePage, "", "", true},
      // Two, three and four bytes of UTF-8 the code page lacks. Best fit
      // would make "ete.bin" of the first, which names another file.
      {kCyrillicCodePage, "été.bin", "?t?.bin", false},
      {kLatin1CodePage, "Мои.bin", "???.bin", false},
      {kLatin1CodePage, "5€", "5?", false},
      {kCyrillicCodePage, "a😀b", "a?b", false},
      {kAsciiCodePage, "é", "?", false},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.utf8) + " in " + std::to_string(c.codePage));
    EXPECT_EQ(FromUtf8(c.utf8, c.codePage), c.inCodePage);
    if (c.held) {
      EXPECT_EQ(ToUtf8(c.inCodePage, c.codePage), c.utf8);
    }
  }
}

TEST(CodePageConversionTest, AnUnknownCodePageLeavesTheTextAsItIs) {
  constexpr uint32_t kNoSuchCodePage = 12345;
  EXPECT_EQ(FromUtf8("Мои.bin", kNoSuchCodePage), "Мои.bin");
  EXPECT_EQ(ToUtf8("\xCC\xEE\xE8.bin", kNoSuchCodePage), "\xCC\xEE\xE8.bin");
}

}  // namespace
}  // namespace varnel
