// The INI profile store: the format (sections, keys, line ends, quoting,
// integers), one parse per load, and the file on disk on every platform:
// read-only, oversized and directory files left alone. Links, permission
// bits, owners and special files are in profile_store_posix_test.cpp, file
// attributes in profile_store_win32_test.cpp.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <optional>

#include "settings/profile_store.h"
#include "tests/profile_store_fixture.h"

namespace varnel::testing {
namespace {

TEST_F(ProfileStoreTest, WritesCreateSectionsInOrderAndReadBack) {
  EXPECT_EQ(ReadProfileText(file, "Settings", "Offset", "0x1000000"), "0x1000000");
  EXPECT_FALSE(fs::exists(file));
  ASSERT_TRUE(WriteProfileText(file, "Settings", "Offset", "0x2000000"));
  ASSERT_TRUE(WriteProfileText(file, "Dumper", "FileName", "c:\\dump.bin"));
  ASSERT_TRUE(WriteProfileText(file, "Settings", "Size", "0x800000"));
  ASSERT_TRUE(WriteProfileText(file, "settings", "OFFSET", "0x2500000"));
  EXPECT_EQ(ReadText(file), "[Settings]\nOFFSET=0x2500000\nSize=0x800000\n[Dumper]\nFileName=c:\\dump.bin\n");
  EXPECT_EQ(ReadProfileText(file, "SETTINGS", "offset", ""), "0x2500000");
  EXPECT_EQ(ReadProfileText(file, "Dumper", "FileName", ""), "c:\\dump.bin");
  EXPECT_EQ(ReadProfileText(file, "Dumper", "Missing", "dflt"), "dflt");
  EXPECT_EQ(EntryCount(dir.Path()), 1u) << "no temporary file is left behind";
}

TEST_F(ProfileStoreTest, SeveralKeysGoInOneWriteInTheirSection) {
  WriteText(file, "[Settings]\nSize=0x10\n[Other]\nx=1\n");
  const std::array<ProfileEntry, 2> entries = {{{"Offset", "0x2"}, {"size", "0x20"}}};
  ASSERT_TRUE(WriteProfileTexts(file, "Settings", entries));
  EXPECT_EQ(ReadText(file), "[Settings]\nsize=0x20\nOffset=0x2\n[Other]\nx=1\n");
}

TEST_F(ProfileStoreTest, KeepsForeignLinesAndLineEndsOfAnEditedFile) {
  WriteText(file, "; note\r\n[Ports]\r\nCOM1 = /dev/ttyS0\r\n\r\n[Other]\r\nx=1\r\n");
  EXPECT_EQ(ReadProfileText(file, "ports", "com1", ""), "/dev/ttyS0");
  ASSERT_TRUE(WriteProfileText(file, "Ports", "COM2", "/dev/ttyUSB1"));
  EXPECT_EQ(ReadText(file), "; note\r\n[Ports]\r\nCOM1 = /dev/ttyS0\r\nCOM2=/dev/ttyUSB1\r\n\r\n[Other]\r\nx=1\r\n");
  // Each line keeps its own end, whatever the first line's; added lines
  // take the first line's.
  WriteText(file, "[Ports]\nCOM1=/dev/ttyS0\r\n; kept\r\nCOM3=x");
  for (int save = 0; save < 2; ++save) ASSERT_TRUE(WriteProfileText(file, "Ports", "COM2", "/dev/ttyUSB1"));
  EXPECT_EQ(ReadText(file), "[Ports]\nCOM1=/dev/ttyS0\r\n; kept\r\nCOM3=x\nCOM2=/dev/ttyUSB1\n");
}

TEST_F(ProfileStoreTest, TextIsCutTo259CharactersWhereFindGivesTheWholeValue) {
  const std::string longValue(300, 'a');
  ASSERT_TRUE(WriteProfileText(file, "Flasher", "FileName", longValue));
  EXPECT_EQ(ReadProfileText(file, "Flasher", "FileName", ""), std::string(259, 'a'));
  EXPECT_EQ(ReadProfileText(file, "Flasher", "Other", longValue).size(), 259u);
  EXPECT_EQ(Profile::Load(file).Find("Flasher", "FileName"), longValue);
}

// A value written keeps its blanks and quotes through a write and a read;
// a hand-edited one is trimmed and loses one pair of quotes.
TEST_F(ProfileStoreTest, ValuesKeepTheirBlanksAndQuotesAndHandEditedOnesAreTrimmed) {
  struct Case {
    const char* line;   // in the file
    const char* value;  // as read
    bool written;       // the line is what writing the value makes; else the line was edited by hand
  };
  constexpr std::array<Case, 18> kCases = {{
      {"Key=plain name.bin", "plain name.bin", true},
      {"Key=\" leading\"", " leading", true},
      {"Key=\"trailing \"", "trailing ", true},
      {"Key=\"  both  \"", "  both  ", true},
      {"Key=\"\ttab\"", "\ttab", true},
      {"Key=\"   \"", "   ", true},
      {"Key=\"\"quoted\"\"", "\"quoted\"", true},
      {"Key=\"\"\"\"", "\"\"", true},
      {"Key=\"", "\"", true},
      {"Key=\"open only", "\"open only", true},
      {"Key=in \"the\" middle", "in \"the\" middle", true},
      {"Key=", "", true},
      {"Key = value", "value", false},
      {"Key=\t value with blanks \t", "value with blanks", false},
      {"Key =  \" kept \"  ", " kept ", false},
      {"Key=\"\"twice\"\"", "\"twice\"", false},
      {"Key=\"unbalanced", "\"unbalanced", false},
      {"Key = \"\"", "", false},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.line);
    if (c.written) {
      ASSERT_TRUE(WriteProfileText(file, "S", "Key", c.value));
      EXPECT_EQ(ReadText(file), std::string("[S]\n") + c.line + "\n");
    } else {
      WriteText(file, std::string("[S]\r\n") + c.line + "\r\n");
    }
    EXPECT_EQ(Profile::Load(file).Find("S", "Key"), c.value);
    EXPECT_EQ(ReadProfileText(file, "S", "Key", "default"), c.value);
  }
}

TEST_F(ProfileStoreTest, IntegersReadSignAndLeadingDigitsOnly) {
  struct Case {
    const char* value;
    int32_t expected;
  };
  constexpr std::array<Case, 11> kCases = {{
      {"42", 42},
      {"-7", -7},
      {"+3", 3},
      {"0x10", 0},
      {"abc", 0},
      {"12abc", 12},
      {"", 99},
      {"4294967295", -1},
      {"115200", 115200},
      {" 5 ", 5},
      {"  ", 99},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.value);
    ASSERT_TRUE(WriteProfileText(file, "Settings", "ComSpeed", c.value));
    EXPECT_EQ(ReadProfileInt(file, "Settings", "ComSpeed", 99), c.expected);
  }
  EXPECT_EQ(ReadProfileInt(file, "Settings", "Missing", 1024), 1024);
}

TEST_F(ProfileStoreTest, AProfileIsReadOnceAndStillAnswersWhenTheFileIsGone) {
  WriteText(file, "[Settings]\nOffset=0x2500000\nComPort=3\n[Dumper]\nFileName=/tmp/a.bin\n");
  const Profile profile = Profile::Load(file);
  ASSERT_TRUE(fs::remove(file));
  EXPECT_EQ(profile.ReadStatus(), ProfileRead::Read);
  EXPECT_EQ(profile.Text("Settings", "Offset", ""), "0x2500000");
  EXPECT_EQ(profile.Int("Settings", "ComPort", 1), 3);
  EXPECT_EQ(profile.Find("Dumper", "FileName"), "/tmp/a.bin");
  EXPECT_EQ(profile.Find("Dumper", "Missing"), std::nullopt);
  EXPECT_EQ(Profile::Load(file).ReadStatus(), ProfileRead::Absent);
  EXPECT_EQ(Profile::Load(file).Find("Settings", "Offset"), std::nullopt);
}

TEST_F(ProfileStoreTest, KeysOfASectionComeInFileOrderEachOnce) {
  WriteText(file,
            "[Ports]\nCOM2=/dev/ttyS0\n; COM7=/dev/ttyS7\nnot a key line\n[Other]\nCOM5=x\n"
            "[ports]\n com1 = /dev/ttyACM0\nCom2=/dev/ttyS1\n");
  const Profile profile = Profile::Load(file);
  EXPECT_EQ(profile.Keys("PORTS"), (std::vector<std::string>{"COM2", "com1"}));
  EXPECT_EQ(profile.Find("Ports", "com2"), "/dev/ttyS0") << "the first of a repeated key counts";
  EXPECT_TRUE(profile.Keys("Missing").empty());
}

// ---- Files that are not written, or not read ----

// A file read-only for everyone (the one mode both a POSIX mode and the
// Windows read-only attribute express), a directory, a file past the size
// limit and a place where no file can be made are left as they are, with
// no temporary beside them; a file at the limit is read and written.
TEST_F(ProfileStoreTest, WhatCanNotBeReplacedIsLeftAsItIs) {
  constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  const std::string head = "[Settings]\nComPort=7\n;";
  const auto sized = [&](uintmax_t size) { return head + std::string(size - head.size() - 1, 'x') + "\n"; };
  struct Case {
    const char* what;
    std::function<fs::path()> make;  // the settings file's place
    ProfileRead read;
    int32_t comPort;
    bool written;
  };
  const std::array<Case, 5> kCases = {{
      {"read-only for all",
       [&] {
         WriteText(file, "[Settings]\nComPort=7\n");
         fs::permissions(file, kReadOnly, fs::perm_options::replace);
         return file;
       },
       ProfileRead::Read, 7, false},
      {"a directory", [&] { return fs::create_directory(file), file; }, ProfileRead::NotRegular, 1, false},
      {"at the size limit", [&] { return WriteText(file, sized(kProfileFileMaxBytes)), file; }, ProfileRead::Read, 7,
       true},
      {"past the size limit", [&] { return WriteText(file, sized(kProfileFileMaxBytes + 1)), file; },
       ProfileRead::TooLarge, 1, false},
      {"under a file",
       [&] { return WriteText(dir / "blocker", "a file, not a folder"), dir / "blocker" / "Varnel.ini"; },
       ProfileRead::Absent, 1, false},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const fs::path path = c.make();
    std::error_code ignored;
    const fs::file_status before = fs::status(path, ignored);
    const auto contentOf = [](const fs::path& p) { return fs::is_directory(p) ? std::string() : ReadText(p); };
    const std::string content = contentOf(path);
    EXPECT_EQ(Profile::Load(path).ReadStatus(), c.read);
    EXPECT_EQ(ReadProfileInt(path, "Settings", "ComPort", 1), c.comPort);
    EXPECT_EQ(UpdateOffset(path), c.written);
    if (c.written) EXPECT_EQ(contentOf(path).size(), content.size() + std::string("Offset=0x2\n").size());
    if (!c.written) EXPECT_EQ(contentOf(path), content);
    EXPECT_EQ(fs::status(path, ignored).type(), before.type());
    EXPECT_EQ(fs::status(path, ignored).permissions(), before.permissions());
    EXPECT_EQ(EntryCount(dir.Path()), 1u) << "no temporary left";
    // Windows removes no read-only file, nor the folder that holds one.
    if (fs::is_regular_file(file)) fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
    fs::remove_all(file);
    fs::remove(dir / "blocker");
  }
}

TEST_F(ProfileStoreTest, ValueWithLineBreakCannotInjectLines) {
  ASSERT_TRUE(WriteProfileText(file, "Settings", "Offset", "0x1\n[Evil]\nkey=1"));
  EXPECT_EQ(ReadText(file), "[Settings]\nOffset=0x1\n");
}

}  // namespace
}  // namespace varnel::testing
