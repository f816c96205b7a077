// The INI profile store: the format (sections, keys, line ends, quoting,
// integers), one parse per load, and the file on disk on every platform:
// read-only, oversized and directory files left alone. Links, permission
// bits, owners and special files are in profile_store_posix_test.cpp, file
// attributes in profile_store_win32_test.cpp.
#include <gtest/gtest.h>

#include <array>
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

TEST_F(ProfileStoreTest, ValuesKeepTheirBlanksAndQuotesThroughAWriteAndARead) {
  struct Case {
    const char* value;
    const char* line;  // as written
  };
  constexpr std::array<Case, 12> kCases = {{
      {"plain name.bin", "Key=plain name.bin"},
      {" leading", "Key=\" leading\""},
      {"trailing ", "Key=\"trailing \""},
      {"  both  ", "Key=\"  both  \""},
      {"\ttab", "Key=\"\ttab\""},
      {"   ", "Key=\"   \""},
      {"\"quoted\"", "Key=\"\"quoted\"\""},
      {"\"\"", "Key=\"\"\"\""},
      {"\"", "Key=\""},
      {"\"open only", "Key=\"open only"},
      {"in \"the\" middle", "Key=in \"the\" middle"},
      {"", "Key="},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string("[") + c.value + "]");
    ASSERT_TRUE(WriteProfileText(file, "S", "Key", c.value));
    EXPECT_EQ(ReadText(file), std::string("[S]\n") + c.line + "\n");
    EXPECT_EQ(Profile::Load(file).Find("S", "Key"), c.value);
    EXPECT_EQ(ReadProfileText(file, "S", "Key", "default"), c.value);
  }
}

TEST_F(ProfileStoreTest, HandEditedValuesAreTrimmedAndLoseOnePairOfQuotes) {
  struct Case {
    const char* line;
    const char* value;
  };
  constexpr std::array<Case, 6> kCases = {{
      {"Key = value", "value"},
      {"Key=\t value with blanks \t", "value with blanks"},
      {"Key =  \" kept \"  ", " kept "},
      {"Key=\"\"twice\"\"", "\"twice\""},
      {"Key=\"unbalanced", "\"unbalanced"},
      {"Key = \"\"", ""},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.line);
    WriteText(file, std::string("[S]\r\n") + c.line + "\r\n");
    EXPECT_EQ(Profile::Load(file).Find("S", "Key"), c.value);
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

// Read-only for everyone is the one mode both a POSIX mode and the Windows
// read-only attribute express.
TEST_F(ProfileStoreTest, AFileReadOnlyForAllIsNotReplaced) {
  constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  WriteText(file, kSettingsOffset);
  fs::permissions(file, kReadOnly, fs::perm_options::replace);
  EXPECT_FALSE(UpdateOffset(file));
  EXPECT_EQ(fs::status(file).permissions(), kReadOnly);
  EXPECT_EQ(ReadText(file), kSettingsOffset);
  EXPECT_EQ(EntryCount(dir.Path()), 1u) << "no temporary left";
  // Windows removes no read-only file, nor the folder that holds one.
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(ProfileStoreTest, ADirectoryIsNeitherReadNorReplaced) {
  ASSERT_TRUE(fs::create_directory(file));
  EXPECT_EQ(Profile::Load(file).ReadStatus(), ProfileRead::NotRegular);
  EXPECT_EQ(ReadProfileInt(file, "Settings", "ComPort", 1), 1);
  EXPECT_FALSE(UpdateOffset(file));
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_EQ(EntryCount(dir.Path()), 1u) << "no temporary left";
}

TEST_F(ProfileStoreTest, AnOversizedFileReadsAsAbsentAndIsNotReplaced) {
  struct Case {
    uintmax_t size;
    ProfileRead read;
    int32_t comPort;
  };
  constexpr std::array<Case, 2> kCases = {{
      {kProfileFileMaxBytes, ProfileRead::Read, 7},
      {kProfileFileMaxBytes + 1, ProfileRead::TooLarge, 1},
  }};
  const std::string head = "[Settings]\nComPort=7\n;";
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.size);
    WriteText(file, head + std::string(c.size - head.size() - 1, 'x') + "\n");
    ASSERT_EQ(fs::file_size(file), c.size);
    EXPECT_EQ(Profile::Load(file).ReadStatus(), c.read);
    EXPECT_EQ(ReadProfileInt(file, "Settings", "ComPort", 1), c.comPort);
    const bool written = UpdateOffset(file);
    EXPECT_EQ(written, c.read == ProfileRead::Read);
    EXPECT_EQ(fs::file_size(file), written ? c.size + std::string("Offset=0x2\n").size() : c.size);
  }
}

TEST_F(ProfileStoreTest, UnwritablePlaceFailsQuietlyAndLeavesNothing) {
  WriteText(dir / "blocker", "a file, not a folder");
  const fs::path unwritable = dir / "blocker" / "Varnel.ini";
  EXPECT_FALSE(WriteProfileText(unwritable, "Settings", "LastTab", "1"));
  EXPECT_EQ(ReadProfileInt(unwritable, "Settings", "LastTab", 0), 0);
  EXPECT_EQ(Profile::Load(unwritable).ReadStatus(), ProfileRead::Absent);
  EXPECT_EQ(EntryCount(dir.Path()), 1u);
}

TEST_F(ProfileStoreTest, ValueWithLineBreakCannotInjectLines) {
  ASSERT_TRUE(WriteProfileText(file, "Settings", "Offset", "0x1\n[Evil]\nkey=1"));
  EXPECT_EQ(ReadText(file), "[Settings]\nOffset=0x1\n");
}

}  // namespace
}  // namespace varnel::testing
