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
#include <functional>
#include <optional>
#include <vector>

#include "settings/profile_store.h"
#include "tests/child_process.h"
#include "tests/profile_store_fixture.h"
#include "tests/watched_fifo.h"

namespace varnel::testing {
namespace {

// The settings writer follows no link for the superuser: the rules for
// the links an ordinary user's write may follow run as such a user, in a
// child process when the tests run as the superuser.
constexpr uid_t kOrdinaryUser = 65534;  // "nobody" on most systems
constexpr uid_t kOtherUser = 65533;

// Gives `folder` and everything in it (links too) to the ordinary user,
// when this process is the superuser; `foreign` then to another user.
bool GiveToOrdinaryUser(const fs::path& folder, const fs::path& foreign) {
  if (::geteuid() != 0) return true;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (::lchown(entry.path().c_str(), kOrdinaryUser, kOrdinaryUser) != 0) return false;
  }
  return ::lchown(folder.c_str(), kOrdinaryUser, kOrdinaryUser) == 0 &&
         (foreign.empty() || ::lchown(foreign.c_str(), kOtherUser, kOtherUser) == 0);
}

// Runs `body` as the ordinary user when this process is the superuser (in
// a child process), else as it is; true when `body` returned true.
bool AsOrdinaryUser(const std::function<bool()>& body) {
  if (::geteuid() != 0) return body();
  const pid_t child = ::fork();
  if (child == 0) {
    const bool dropped = ::setgid(kOrdinaryUser) == 0 && ::setuid(kOrdinaryUser) == 0;
    ::_exit(dropped && body() ? 0 : 1);
  }
  return child > 0 && ExitStatusWithin(child, std::chrono::milliseconds(kChildAnswerMs)) == 0;
}

TEST_F(ProfileStoreTest, AWriteFollowsOnlyLinksNoOneElseMayChange) {
  // Superuser: the write is the superuser's own, which follows no link.
  enum class Change { None, FolderOpenToAll, FolderOpenToAllButSticky, LinkOfAnotherUser, Superuser };
  struct Case {
    const char* name;
    const char* target;                             // the file at the end, from the row's folder
    std::vector<std::array<const char*, 2>> links;  // link, what it points to
    Change change;
    bool followed;
  };
  const std::string absolute = (dir / "absolute" / "real.ini").string();
  const std::array<Case, 8> kCases = {{
      {"absolute", "real.ini", {{"Varnel.ini", absolute.c_str()}}, Change::None, true},
      {"relative", "conf/real.ini", {{"Varnel.ini", "conf/real.ini"}}, Change::None, true},
      // The second link is relative to its own folder, not to the first's.
      {"chain", "real.ini", {{"Varnel.ini", "sub/next.ini"}, {"sub/next.ini", "../real.ini"}}, Change::None, true},
      {"dangling", "created.ini", {{"Varnel.ini", "created.ini"}}, Change::None, true},
      {"open", "real.ini", {{"Varnel.ini", "real.ini"}}, Change::FolderOpenToAll, false},
      {"sticky", "real.ini", {{"Varnel.ini", "real.ini"}}, Change::FolderOpenToAllButSticky, true},
      {"foreign", "real.ini", {{"Varnel.ini", "real.ini"}}, Change::LinkOfAnotherUser, false},
      {"superuser", "real.ini", {{"Varnel.ini", "real.ini"}}, Change::Superuser, false},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = dir / c.name;
    const fs::path target = folder / c.target;
    fs::create_directories(folder / "conf");
    fs::create_directories(folder / "sub");
    if (std::string(c.name) != "dangling") WriteText(target, kSettingsOffset);
    for (const auto& [link, pointsTo] : c.links) fs::create_symlink(pointsTo, folder / link);
    const size_t entriesBeside = EntryCount(target.parent_path());
    if (c.change == Change::FolderOpenToAll) fs::permissions(folder, fs::perms::all);
    if (c.change == Change::FolderOpenToAllButSticky) fs::permissions(folder, fs::perms::all | fs::perms::sticky_bit);
    // Only the superuser may give a link away.
    const bool superuserOnly = c.change == Change::LinkOfAnotherUser || c.change == Change::Superuser;
    if (superuserOnly && ::geteuid() != 0) continue;
    const fs::path foreign = c.change == Change::LinkOfAnotherUser ? folder / "Varnel.ini" : fs::path();
    // The superuser's row keeps its own files: only the superuser rule
    // stops that write.
    if (c.change != Change::Superuser) ASSERT_TRUE(GiveToOrdinaryUser(dir.Path(), foreign));
    const auto write = [&] { return UpdateOffset(folder / "Varnel.ini"); };
    EXPECT_EQ(c.change == Change::Superuser ? write() : AsOrdinaryUser(write), c.followed);
    for (const auto& [link, pointsTo] : c.links) {
      EXPECT_TRUE(fs::is_symlink(folder / link)) << link;
      EXPECT_EQ(fs::read_symlink(folder / link), pointsTo) << link;
    }
    const bool created = c.followed && std::string(c.name) == "dangling";
    EXPECT_EQ(ReadText(target), c.followed ? kUpdatedOffset : kSettingsOffset);
    EXPECT_EQ(EntryCount(target.parent_path()), entriesBeside + (created ? 1 : 0)) << "no temporary left";
  }
}

// A folder that takes no new file (read-only) still lets its settings
// file be written: in place, as it always was.
TEST_F(ProfileStoreTest, AWritableFileInAReadOnlyFolderIsWrittenInPlace) {
  const fs::path folder = dir / "readonly";
  fs::create_directory(folder);
  WriteText(folder / "Varnel.ini", kSettingsOffset);
  ASSERT_TRUE(GiveToOrdinaryUser(dir.Path(), {}));
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_TRUE(AsOrdinaryUser([&] { return UpdateOffset(folder / "Varnel.ini"); }));
  EXPECT_EQ(ReadText(folder / "Varnel.ini"), kUpdatedOffset);
  EXPECT_EQ(EntryCount(folder), 1u);
  fs::permissions(folder / "Varnel.ini", fs::perms::owner_read);
  EXPECT_FALSE(AsOrdinaryUser([&] { return UpdateOffset(folder / "Varnel.ini"); }));
  EXPECT_EQ(ReadText(folder / "Varnel.ini"), kUpdatedOffset);
  fs::permissions(folder, fs::perms::owner_all);
}

// A write keeps the file's mode (and the owner the superuser gave it
// away to); a file read-only by any mode is not replaced, nor through a
// link. (Read-only for all: tests/profile_store_test.cpp.)
TEST_F(ProfileStoreTest, AWriteKeepsModeAndOwnerAndLeavesAReadOnlyFileAlone) {
  using enum fs::perms;
  struct Case {
    fs::perms mode;
    bool written;
  };
  constexpr std::array<Case, 7> kCases = {{
      {owner_read | owner_write, true},
      {owner_read | owner_write | group_read, true},
      {owner_read | owner_write | group_all | others_read, true},
      {owner_read | owner_write | group_write | set_gid, true},
      {owner_read, false},
      {none, false},
      {owner_read | owner_exec | set_uid, false},
  }};
  const fs::path link = dir / "link.ini";
  fs::create_symlink(file.filename(), link);
  for (const Case& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    WriteText(file, kSettingsOffset);
    // Only the superuser may give a file away.
    const bool givenAway = ::geteuid() == 0 && &c == &kCases[0];
    if (givenAway) ASSERT_EQ(::chown(file.c_str(), kOrdinaryUser, kOrdinaryUser), 0);
    fs::permissions(file, c.mode, fs::perm_options::replace);
    EXPECT_EQ(UpdateOffset(file), c.written);
    if (!c.written) EXPECT_FALSE(UpdateOffset(link)) << "nor through a link";
    EXPECT_EQ(fs::status(file).permissions(), c.mode);
    EXPECT_EQ(ReadText(file), c.written ? kUpdatedOffset : kSettingsOffset);
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    if (givenAway) EXPECT_EQ(std::pair(info.st_uid, info.st_gid), std::pair(kOrdinaryUser, kOrdinaryUser));
    EXPECT_EQ(EntryCount(dir.Path()), 2u) << "no temporary left";
    fs::permissions(file, owner_all, fs::perm_options::add);
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
      {"/dev/null through a link", Kind::DeviceThroughLink, ProfileRead::NotRegular, fs::file_type::symlink},
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
