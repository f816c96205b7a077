// A page's file name in the settings file on POSIX: UTF-8 kept byte for
// byte and uncut, a name written in the code page converted from it; and
// the UTF-8 check that tells the two apart.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "app/code_page.h"
#include "app/profile_store.h"
#include "app/stored_file_name.h"

namespace varnel {
namespace {

// A name of more characters (not only bytes) than the Windows reader's room.
std::string LongName() {
  std::string name = "/home/user/";
  while (name.size() <= 2 * kProfileTextRoom) name += "длинное имя ";
  return name + ".bin";
}

TEST(StoredFileNameTest, Utf8NamesAreStoredAndReadUnchangedWhateverTheirLength) {
  const std::array<std::string, 4> kNames = {
      "/home/user/dump.bin",
      "/home/user/Мои файлы/été.bin",
      LongName(),
      "",
  };
  for (const std::string& name : kNames) {
    SCOPED_TRACE(name);
    for (uint32_t codePage : {kCyrillicCodePage, kUtf8CodePage, kLatin1CodePage}) {
      EXPECT_EQ(StoredFileName(name, codePage), name);
      EXPECT_EQ(FileNameFromStored(name, codePage), name);
    }
  }
}

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
