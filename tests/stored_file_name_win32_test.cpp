// A page's file name in the settings file on Windows: stored in the
// program's code page, a character the code page lacks becoming '?', and
// read back as much of it as the system's profile reader gives. Built for
// Windows only; POSIX keeps UTF-8 (stored_file_name_posix_test.cpp).
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "settings/profile_store.h"
#include "settings/stored_file_name.h"
#include "texts/code_page.h"

namespace varnel {
namespace {

TEST(StoredFileNameTest, NamesAreStoredInTheCodePageAndReadBackFromIt) {
  struct Case {
    const char* what;
    std::string name;
    uint32_t codePage;
    std::string stored;
    std::string readBack;
  };
  const std::array<Case, 7> kCases = {{
      {"ASCII", "C:\\dump.bin", kCyrillicCodePage, "C:\\dump.bin", "C:\\dump.bin"},
      {"Cyrillic in 1251", "C:\\Мои файлы\\dump.bin", kCyrillicCodePage,
       "C:\\\xCC\xEE\xE8 \xF4\xE0\xE9\xEB\xFB\\dump.bin", "C:\\Мои файлы\\dump.bin"},
      // No look-alike letter: "ete.bin" would name another file.
      {"accents 1251 lacks", "C:\\été.bin", kCyrillicCodePage, "C:\\?t?.bin", "C:\\?t?.bin"},
      {"Cyrillic in Latin-1", "C:\\Мои.bin", kLatin1CodePage, "C:\\???.bin", "C:\\???.bin"},
      {"Latin-1", "C:\\café.bin", kLatin1CodePage, "C:\\caf\xE9.bin", "C:\\café.bin"},
      {"UTF-8", "C:\\Мои.bin", kUtf8CodePage, "C:\\Мои.bin", "C:\\Мои.bin"},
      {"empty", "", kCyrillicCodePage, "", ""},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(StoredFileName(c.name, c.codePage), c.stored);
    EXPECT_EQ(FileNameFromStored(c.stored, c.codePage), c.readBack);
  }
}

TEST(StoredFileNameTest, ALongNameIsStoredWholeAndReadBackCutToTheReadersRoom) {
  std::string name = "C:\\";
  while (name.size() <= 2 * kProfileTextRoom) name += "Мои файлы\\";
  const std::string stored = StoredFileName(name, kCyrillicCodePage);
  EXPECT_EQ(ToUtf8(stored, kCyrillicCodePage), name);
  const std::string readBack = FileNameFromStored(stored, kCyrillicCodePage);
  EXPECT_EQ(FromUtf8(readBack, kCyrillicCodePage), stored.substr(0, kProfileTextRoom));
}

}  // namespace
}  // namespace varnel
