// A page's file name in the settings file on POSIX: UTF-8 kept byte for
// byte and uncut, whatever the code page. Not built for Windows, which
// stores names in the code page (stored_file_name_win32_test.cpp).
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "settings/profile_store.h"
#include "settings/stored_file_name.h"
#include "texts/code_page.h"

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

}  // namespace
}  // namespace varnel
