// The INI profile store.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <sstream>

#include "app/profile_store.h"
#include "tests/test_support.h"

namespace varnel {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

class ProfileStoreTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::filesystem::path file = dir / "Varnel.ini";
};

TEST_F(ProfileStoreTest, WritesCreateSectionsInOrderAndReadBack) {
  EXPECT_EQ(ReadProfileText(file, "Settings", "Offset", "0x1000000"), "0x1000000");
  EXPECT_FALSE(std::filesystem::exists(file));
  ASSERT_TRUE(WriteProfileText(file, "Settings", "Offset", "0x2000000"));
  ASSERT_TRUE(WriteProfileText(file, "Dumper", "FileName", "c:\\dump.bin"));
  ASSERT_TRUE(WriteProfileText(file, "Settings", "Size", "0x800000"));
  ASSERT_TRUE(WriteProfileText(file, "settings", "OFFSET", "0x2500000"));
  EXPECT_EQ(ReadAll(file),
            "[Settings]\nOFFSET=0x2500000\nSize=0x800000\n[Dumper]\nFileName=c:\\dump.bin\n");
  EXPECT_EQ(ReadProfileText(file, "SETTINGS", "offset", ""), "0x2500000");
  EXPECT_EQ(ReadProfileText(file, "Dumper", "FileName", ""), "c:\\dump.bin");
  EXPECT_EQ(ReadProfileText(file, "Dumper", "Missing", "dflt"), "dflt");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1) << "no temporary file is left behind";
}

TEST_F(ProfileStoreTest, KeepsForeignLinesAndLineEndsOfAnEditedFile) {
  std::ofstream(file, std::ios::binary) << "; note\r\n[Ports]\r\nCOM1 = /dev/ttyS0\r\n\r\n[Other]\r\nx=1\r\n";
  EXPECT_EQ(ReadProfileText(file, "ports", "com1", ""), "/dev/ttyS0");
  ASSERT_TRUE(WriteProfileText(file, "Ports", "COM2", "/dev/ttyUSB1"));
  EXPECT_EQ(ReadAll(file),
            "; note\r\n[Ports]\r\nCOM1 = /dev/ttyS0\r\nCOM2=/dev/ttyUSB1\r\n\r\n[Other]\r\nx=1\r\n");
}

TEST_F(ProfileStoreTest, TextIsCutTo259Characters) {
  std::string longValue(300, 'a');
  ASSERT_TRUE(WriteProfileText(file, "Flasher", "FileName", longValue));
  EXPECT_EQ(ReadProfileText(file, "Flasher", "FileName", ""), std::string(259, 'a'));
  EXPECT_EQ(ReadProfileText(file, "Flasher", "Other", longValue).size(), 259u);
}

TEST_F(ProfileStoreTest, IntegersReadSignAndLeadingDigitsOnly) {
  struct Case {
    const char* value;
    int32_t expected;
  };
  constexpr std::array<Case, 9> kCases = {{
      {"42", 42}, {"-7", -7}, {"+3", 3}, {"0x10", 0}, {"abc", 0},
      {"12abc", 12}, {"", 99}, {"4294967295", -1}, {"115200", 115200},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.value);
    ASSERT_TRUE(WriteProfileText(file, "Settings", "ComSpeed", c.value));
    EXPECT_EQ(ReadProfileInt(file, "Settings", "ComSpeed", 99), c.expected);
  }
  EXPECT_EQ(ReadProfileInt(file, "Settings", "Missing", 1024), 1024);
}

TEST_F(ProfileStoreTest, UnwritablePlaceFailsQuietlyAndLeavesNothing) {
  std::ofstream(dir / "blocker") << "a file, not a folder";
  std::filesystem::path unwritable = dir / "blocker" / "Varnel.ini";
  EXPECT_FALSE(WriteProfileText(unwritable, "Settings", "LastTab", "1"));
  EXPECT_EQ(ReadProfileInt(unwritable, "Settings", "LastTab", 0), 0);
}

TEST_F(ProfileStoreTest, ValueWithLineBreakCannotInjectLines) {
  ASSERT_TRUE(WriteProfileText(file, "Settings", "Offset", "0x1\n[Evil]\nkey=1"));
  EXPECT_EQ(ReadAll(file), "[Settings]\nOffset=0x1\n");
}

}  // namespace
}  // namespace varnel
