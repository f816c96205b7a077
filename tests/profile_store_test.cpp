// The INI profile store: the format (sections, keys, line ends, quoting,
// integers), one parse per load, and the file on disk: links followed,
// permissions kept, and read-only, non-regular and oversized files left
// alone.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "app/profile_store.h"
#include "tests/test_support.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

constexpr char kSettingsOffset[] = "[Settings]\nOffset=0x1\n";
constexpr char kUpdatedOffset[] = "[Settings]\nOffset=0x2\n";

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteAll(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

size_t EntryCount(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

class ProfileStoreTest : public ::testing::Test {
 protected:
  // Sets Offset to 0x2 through `path`; true when the store says it wrote.
  static bool UpdateOffset(const fs::path& path) {
    return WriteProfileText(path, "Settings", "Offset", "0x2");
  }

  testing::TempDir dir;
  fs::path file = dir / "Varnel.ini";
};

TEST_F(ProfileStoreTest, WritesCreateSectionsInOrderAndReadBack) {
  EXPECT_EQ(ReadProfileText(file, "Settings", "Offset", "0x1000000"), "0x1000000");
  EXPECT_FALSE(fs::exists(file));
  ASSERT_TRUE(WriteProfileText(file, "Settings", "Offset", "0x2000000"));
  ASSERT_TRUE(WriteProfileText(file, "Dumper", "FileName", "c:\\dump.bin"));
  ASSERT_TRUE(WriteProfileText(file, "Settings", "Size", "0x800000"));
  ASSERT_TRUE(WriteProfileText(file, "settings", "OFFSET", "0x2500000"));
  EXPECT_EQ(ReadAll(file),
            "[Settings]\nOFFSET=0x2500000\nSize=0x800000\n[Dumper]\nFileName=c:\\dump.bin\n");
  EXPECT_EQ(ReadProfileText(file, "SETTINGS", "offset", ""), "0x2500000");
  EXPECT_EQ(ReadProfileText(file, "Dumper", "FileName", ""), "c:\\dump.bin");
  EXPECT_EQ(ReadProfileText(file, "Dumper", "Missing", "dflt"), "dflt");
  EXPECT_EQ(EntryCount(dir.Path()), 1u) << "no temporary file is left behind";
}

TEST_F(ProfileStoreTest, SeveralKeysGoInOneWriteInTheirSection) {
  WriteAll(file, "[Settings]\nSize=0x10\n[Other]\nx=1\n");
  const std::array<ProfileEntry, 2> entries = {{{"Offset", "0x2"}, {"size", "0x20"}}};
  ASSERT_TRUE(WriteProfileTexts(file, "Settings", entries));
  EXPECT_EQ(ReadAll(file), "[Settings]\nsize=0x20\nOffset=0x2\n[Other]\nx=1\n");
}

TEST_F(ProfileStoreTest, KeepsForeignLinesAndLineEndsOfAnEditedFile) {
  WriteAll(file, "; note\r\n[Ports]\r\nCOM1 = /dev/ttyS0\r\n\r\n[Other]\r\nx=1\r\n");
  EXPECT_EQ(ReadProfileText(file, "ports", "com1", ""), "/dev/ttyS0");
  ASSERT_TRUE(WriteProfileText(file, "Ports", "COM2", "/dev/ttyUSB1"));
  EXPECT_EQ(ReadAll(file),
            "; note\r\n[Ports]\r\nCOM1 = /dev/ttyS0\r\nCOM2=/dev/ttyUSB1\r\n\r\n[Other]\r\nx=1\r\n");
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
    EXPECT_EQ(ReadAll(file), std::string("[S]\n") + c.line + "\n");
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
    WriteAll(file, std::string("[S]\r\n") + c.line + "\r\n");
    EXPECT_EQ(Profile::Load(file).Find("S", "Key"), c.value);
  }
}

TEST_F(ProfileStoreTest, IntegersReadSignAndLeadingDigitsOnly) {
  struct Case {
    const char* value;
    int32_t expected;
  };
  constexpr std::array<Case, 11> kCases = {{
      {"42", 42}, {"-7", -7}, {"+3", 3}, {"0x10", 0}, {"abc", 0}, {"12abc", 12},
      {"", 99}, {"4294967295", -1}, {"115200", 115200}, {" 5 ", 5}, {"  ", 99},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.value);
    ASSERT_TRUE(WriteProfileText(file, "Settings", "ComSpeed", c.value));
    EXPECT_EQ(ReadProfileInt(file, "Settings", "ComSpeed", 99), c.expected);
  }
  EXPECT_EQ(ReadProfileInt(file, "Settings", "Missing", 1024), 1024);
}

TEST_F(ProfileStoreTest, AProfileIsReadOnceAndStillAnswersWhenTheFileIsGone) {
  WriteAll(file, "[Settings]\nOffset=0x2500000\nComPort=3\n[Dumper]\nFileName=/tmp/a.bin\n");
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

TEST_F(ProfileStoreTest, ALinkStaysALinkAndItsFinalTargetIsUpdated) {
  struct Case {
    const char* name;
    const char* target;                  // the file at the end, from the row's folder
    std::vector<std::array<const char*, 2>> links;  // link, what it points to
  };
  const std::string absolute = (dir / "absolute" / "real.ini").string();
  const std::array<Case, 4> kCases = {{
      {"absolute", "real.ini", {{"Varnel.ini", absolute.c_str()}}},
      {"relative", "conf/real.ini", {{"Varnel.ini", "conf/real.ini"}}},
      // The second link is relative to its own folder, not to the first's.
      {"chain", "real.ini", {{"Varnel.ini", "sub/next.ini"}, {"sub/next.ini", "../real.ini"}}},
      {"dangling", "created.ini", {{"Varnel.ini", "created.ini"}}},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = dir / c.name;
    const fs::path target = folder / c.target;
    fs::create_directories(folder / "conf");
    fs::create_directories(folder / "sub");
    if (std::string(c.name) != "dangling") WriteAll(target, kSettingsOffset);
    for (const auto& [link, pointsTo] : c.links) fs::create_symlink(pointsTo, folder / link);
    const size_t entriesBeside = EntryCount(target.parent_path());

    ASSERT_TRUE(UpdateOffset(folder / "Varnel.ini"));
    for (const auto& [link, pointsTo] : c.links) {
      EXPECT_TRUE(fs::is_symlink(folder / link)) << link;
      EXPECT_EQ(fs::read_symlink(folder / link), pointsTo) << link;
    }
    EXPECT_EQ(ReadAll(target), kUpdatedOffset);
    EXPECT_EQ(ReadProfileText(folder / "Varnel.ini", "Settings", "Offset", ""), "0x2");
    const size_t created = std::string(c.name) == "dangling" ? 1 : 0;
    EXPECT_EQ(EntryCount(target.parent_path()), entriesBeside + created) << "no temporary left";
  }
}

TEST_F(ProfileStoreTest, PermissionsAreKeptAcrossAWrite) {
  constexpr std::array<fs::perms, 4> kModes = {
      fs::perms::owner_read | fs::perms::owner_write,
      fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
      fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_all | fs::perms::others_read,
      fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_write | fs::perms::set_gid,
  };
  for (fs::perms mode : kModes) {
    SCOPED_TRACE(static_cast<int>(mode));
    WriteAll(file, kSettingsOffset);
    fs::permissions(file, mode, fs::perm_options::replace);
    ASSERT_TRUE(UpdateOffset(file));
    EXPECT_EQ(fs::status(file).permissions(), mode);
    EXPECT_EQ(ReadAll(file), kUpdatedOffset);
  }
}

TEST_F(ProfileStoreTest, TheSuperuserKeepsTheFilesOwner) {
  if (::geteuid() != 0) GTEST_SKIP() << "only the superuser may give a file away";
  constexpr uid_t kOtherUser = 65534;  // "nobody" on most systems
  constexpr gid_t kOtherGroup = 65534;
  WriteAll(file, kSettingsOffset);
  ASSERT_EQ(::chown(file.c_str(), kOtherUser, kOtherGroup), 0);
  ASSERT_TRUE(UpdateOffset(file));
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, kOtherUser);
  EXPECT_EQ(info.st_gid, kOtherGroup);
  EXPECT_EQ(ReadAll(file), kUpdatedOffset);
}

// ---- Files that are not written, or not read ----

TEST_F(ProfileStoreTest, AReadOnlyFileIsNotReplaced) {
  constexpr std::array<fs::perms, 4> kModes = {
      fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
      fs::perms::owner_read,
      fs::perms::none,
      fs::perms::owner_read | fs::perms::owner_exec | fs::perms::set_uid,
  };
  const fs::path link = dir / "link.ini";
  fs::create_symlink(file.filename(), link);
  for (fs::perms mode : kModes) {
    SCOPED_TRACE(static_cast<int>(mode));
    WriteAll(file, kSettingsOffset);
    fs::permissions(file, mode, fs::perm_options::replace);
    EXPECT_FALSE(UpdateOffset(file));
    EXPECT_FALSE(UpdateOffset(link)) << "nor through a link";
    EXPECT_EQ(fs::status(file).permissions(), mode);
    EXPECT_EQ(ReadAll(file), kSettingsOffset);
    EXPECT_EQ(EntryCount(dir.Path()), 2u) << "no temporary left";
    fs::permissions(file, fs::perms::owner_all, fs::perm_options::add);
    ASSERT_TRUE(fs::remove(file));
  }
}

TEST_F(ProfileStoreTest, ANonRegularFileIsNeitherOpenedNorReplaced) {
  enum class Kind { Fifo, Directory, DeviceThroughLink, LinkLoop };
  struct Case {
    const char* name;
    Kind kind;
    ProfileRead read;
    fs::file_type typeAfter;  // of Varnel.ini itself, links not followed
  };
  constexpr std::array<Case, 4> kCases = {{
      {"FIFO", Kind::Fifo, ProfileRead::NotRegular, fs::file_type::fifo},
      {"directory", Kind::Directory, ProfileRead::NotRegular, fs::file_type::directory},
      {"/dev/null through a link", Kind::DeviceThroughLink, ProfileRead::NotRegular,
       fs::file_type::symlink},
      {"a link to itself", Kind::LinkLoop, ProfileRead::Unreadable, fs::file_type::symlink},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    // A reader that opened the FIFO would wait for a writer: the watcher
    // lets it go on and tells.
    std::optional<testing::WatchedFifo> fifo;
    switch (c.kind) {
      case Kind::Fifo: ASSERT_TRUE(fifo.emplace(file).Created()); break;
      case Kind::Directory: ASSERT_TRUE(fs::create_directory(file)); break;
      case Kind::DeviceThroughLink: fs::create_symlink("/dev/null", file); break;
      case Kind::LinkLoop: fs::create_symlink("Varnel.ini", file); break;
    }
    EXPECT_EQ(Profile::Load(file).ReadStatus(), c.read);
    EXPECT_EQ(ReadProfileInt(file, "Settings", "ComPort", 1), 1);
    EXPECT_FALSE(UpdateOffset(file));
    EXPECT_EQ(fs::symlink_status(file).type(), c.typeAfter);
    EXPECT_FALSE(fifo && fifo->Opened());
    EXPECT_EQ(EntryCount(dir.Path()), 1u) << "no temporary left";
    fifo.reset();
    std::error_code ignored;
    fs::remove(file, ignored);
  }
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
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
    WriteAll(file, head + std::string(c.size - head.size() - 1, 'x') + "\n");
    ASSERT_EQ(fs::file_size(file), c.size);
    EXPECT_EQ(Profile::Load(file).ReadStatus(), c.read);
    EXPECT_EQ(ReadProfileInt(file, "Settings", "ComPort", 1), c.comPort);
    const bool written = UpdateOffset(file);
    EXPECT_EQ(written, c.read == ProfileRead::Read);
    EXPECT_EQ(fs::file_size(file), written ? c.size + std::string("Offset=0x2\n").size() : c.size);
  }
}

TEST_F(ProfileStoreTest, UnwritablePlaceFailsQuietlyAndLeavesNothing) {
  WriteAll(dir / "blocker", "a file, not a folder");
  const fs::path unwritable = dir / "blocker" / "Varnel.ini";
  EXPECT_FALSE(WriteProfileText(unwritable, "Settings", "LastTab", "1"));
  EXPECT_EQ(ReadProfileInt(unwritable, "Settings", "LastTab", 0), 0);
  EXPECT_EQ(Profile::Load(unwritable).ReadStatus(), ProfileRead::Absent);
  EXPECT_EQ(EntryCount(dir.Path()), 1u);
}

TEST_F(ProfileStoreTest, ValueWithLineBreakCannotInjectLines) {
  ASSERT_TRUE(WriteProfileText(file, "Settings", "Offset", "0x1\n[Evil]\nkey=1"));
  EXPECT_EQ(ReadAll(file), "[Settings]\nOffset=0x1\n");
}

}  // namespace
}  // namespace varnel
