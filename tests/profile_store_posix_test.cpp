// The profile store and the POSIX file system: chains of symbolic links
// followed to the file they end in, permission bits and the owner kept
// across a write, a file read-only by any mode left alone, and FIFOs,
// devices and loops of links never opened. Not built for Windows, which
// lets only privileged users make symbolic links and has neither these
// modes and owners nor FIFOs and devices in its file system.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <optional>
#include <vector>

#include "settings/profile_store.h"
#include "tests/profile_store_fixture.h"
#include "tests/watched_fifo.h"

namespace varnel::testing {
namespace {

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
  enum class Kind { Fifo, DeviceThroughLink, LinkLoop };
  struct Case {
    const char* name;
    Kind kind;
    ProfileRead read;
    fs::file_type typeAfter;  // of Varnel.ini itself, links not followed
  };
  constexpr std::array<Case, 3> kCases = {{
      {"FIFO", Kind::Fifo, ProfileRead::NotRegular, fs::file_type::fifo},
      {"/dev/null through a link", Kind::DeviceThroughLink, ProfileRead::NotRegular,
       fs::file_type::symlink},
      {"a link to itself", Kind::LinkLoop, ProfileRead::Unreadable, fs::file_type::symlink},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    // A reader that opened the FIFO would wait for a writer: the watcher
    // lets it go on and tells.
    std::optional<WatchedFifo> fifo;
    switch (c.kind) {
      case Kind::Fifo: ASSERT_TRUE(fifo.emplace(file).Created()); break;
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

}  // namespace
}  // namespace varnel::testing
