// The rules for the files the program opens and makes, on a POSIX file
// system: what is not a regular file is refused without being opened, a
// write never goes through a symbolic link, new files and folders are
// private, the temporary file has no name, and two names of one file are
// known as one.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <functional>
#include <string>

#include "files/private_dir.h"
#include "files/replace_file.h"
#include "files/transfer_file.h"
#include "files/unique_fd.h"
#include "tests/scoped_variable_posix.h"
#include "tests/test_support.h"

namespace varnel::testing {
namespace {

namespace fs = std::filesystem;

constexpr mode_t kPrivate = 0600;

// Whether anything opened `path` while `action` ran: inotify reports every
// open of the file (a FIFO and a device node included) without opening it.
bool OpenedDuring(const fs::path& path, const std::function<void()>& action) {
  const UniqueFd watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  EXPECT_TRUE(watch.Valid());
  EXPECT_GE(::inotify_add_watch(watch.Get(), path.c_str(), IN_OPEN | IN_DONT_FOLLOW), 0);
  action();
  alignas(inotify_event) char events[4096];
  return ::read(watch.Get(), events, sizeof events) > 0;
}

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

std::string Content(const fs::path& path) {
  std::string reason;
  TransferFile file = TransferFile::OpenForReading(path.c_str(), &reason);
  std::string bytes(64, '\0');
  uint32_t got = 0;
  EXPECT_TRUE(file.Read(reinterpret_cast<uint8_t*>(bytes.data()), 64, &got)) << reason;
  bytes.resize(got);
  return bytes;
}

// Each way of opening a name, as the transfers and the trace use them.
struct Operation {
  const char* name;
  std::function<bool(const char*, std::string*)> opens;
  bool reads;  // follows a link to the image
};
const std::array<Operation, 4> kOperations = {{
    {"MayReplace", [](const char* p, std::string* r) { return TransferFile::MayReplace(p, r); }, false},
    {"Create", [](const char* p, std::string* r) { return TransferFile::Create(p, r).IsOpen(); }, false},
    {"Append", [](const char* p, std::string* r) { return TransferFile::Append(p, r).IsOpen(); }, false},
    {"OpenForReading", [](const char* p, std::string* r) { return TransferFile::OpenForReading(p, r).IsOpen(); }, true},
}};

class TransferFileTest : public ::testing::Test {
 protected:
  TempDir dir;
};

// The reasons are the ones the dump and the flash log after their report
// (tests/e2e_dump_test.cpp shows them for a dump and a flash).
TEST_F(TransferFileTest, WhatIsNotARegularFileIsRefusedWithoutBeingOpened) {
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), kPrivate), 0);
  fs::create_directory(dir / "folder");
  // A device node of our own (the null device's numbers): opening some
  // devices acts, so none may be opened to find out what it is.
  const bool device = ::mknod((dir / "device").c_str(), S_IFCHR | kPrivate, ::makedev(1, 3)) == 0;
  fs::create_symlink(dir / "fifo", dir / "fifo-link");
  struct Case {
    fs::path path;
    const char* writing;  // the reason given to a write
    const char* reading;  // and to a read
  };
  const std::array<Case, 5> kCases = {{
      {dir / "fifo", "not a regular file", "not a regular file"},
      {dir / "folder", "Is a directory", "Is a directory"},
      {dir / "device", "not a regular file", "not a regular file"},
      {dir / "fifo-link", "a symbolic link, which is not followed", "not a regular file"},
      {"/dev/null", "not a regular file", "not a regular file"},  // others open it too: not watched
  }};
  for (const Case& c : kCases) {
    if (c.path == dir / "device" && !device) continue;  // only the superuser makes device nodes
    for (const Operation& operation : kOperations) {
      SCOPED_TRACE(c.path.string() + " " + operation.name);
      std::string reason;
      bool opened = true;
      const auto open = [&] { opened = operation.opens(c.path.c_str(), &reason); };
      if (c.path.parent_path() == dir.Path()) {
        EXPECT_FALSE(OpenedDuring(fs::canonical(c.path), open));
      } else {
        open();
      }
      EXPECT_FALSE(opened);
      EXPECT_EQ(reason, c.path.string() + ": " + (operation.reads ? c.reading : c.writing));
    }
  }
}

TEST_F(TransferFileTest, AWriteNeverGoesThroughALinkButAReadMay) {
  std::ofstream(dir / "target.txt") << "kept";
  fs::create_symlink(dir / "target.txt", dir / "link.txt");
  fs::create_symlink(dir / "created.txt", dir / "dangling.txt");
  for (const char* name : {"link.txt", "dangling.txt"}) {
    for (size_t i = 0; i < 3; ++i) {  // MayReplace, Create, Append
      SCOPED_TRACE(std::string(name) + " " + kOperations[i].name);
      std::string reason;
      EXPECT_FALSE(kOperations[i].opens((dir / name).c_str(), &reason));
      EXPECT_EQ(reason, (dir / name).string() + ": a symbolic link, which is not followed");
    }
  }
  EXPECT_EQ(Content(dir / "target.txt"), "kept");
  EXPECT_FALSE(fs::exists(dir / "created.txt"));
  EXPECT_EQ(Content(dir / "link.txt"), "kept");  // the image of a flash may be a link
  std::string reason;
  EXPECT_FALSE(ReplaceFile(dir / "link.txt", "new", &reason));
  EXPECT_EQ(reason, (dir / "link.txt").string() + ": a symbolic link, which is not followed");
  EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
  EXPECT_EQ(Content(dir / "target.txt"), "kept");
}

TEST_F(TransferFileTest, NewFilesAndFoldersArePrivateAndExistingOnesKeepTheirMode) {
  const mode_t folderMode = ModeOf(dir.Path());
  const mode_t umask = ::umask(022);
  std::string reason;
  TransferFile::Create((dir / "created").c_str(), &reason);
  TransferFile::Append((dir / "appended").c_str(), &reason);
  ASSERT_TRUE(ReplaceFile(dir / "replaced", "bytes", &reason)) << reason;
  ASSERT_TRUE(MakePrivateDir(dir / "config" / "varnel"));
  std::ofstream(dir / "shared") << "old";
  fs::permissions(dir / "shared", static_cast<fs::perms>(0644));
  TransferFile emptied = TransferFile::Create((dir / "shared").c_str(), &reason);
  ::umask(umask);
  for (const char* name : {"created", "appended", "replaced"}) EXPECT_EQ(ModeOf(dir / name), kPrivate) << name;
  EXPECT_EQ(ModeOf(dir / "config"), 0700u);
  EXPECT_EQ(ModeOf(dir / "config" / "varnel"), 0700u);
  EXPECT_EQ(ModeOf(dir / "shared"), 0644u);
  EXPECT_EQ(ModeOf(dir.Path()), folderMode);
  EXPECT_EQ(fs::file_size(dir / "shared"), 0u);
}

TEST_F(TransferFileTest, TheTemporaryFileHasNoNameAndIsPrivate) {
  ScopedVariable tmpdir("TMPDIR", dir.Path().string());
  std::string reason;
  TransferFile temporary = TransferFile::CreateTemporary(&reason);
  ASSERT_TRUE(temporary.IsOpen()) << reason;
  EXPECT_TRUE(fs::is_empty(dir.Path()));
  const uint8_t bytes[] = {1, 2, 3};
  ASSERT_TRUE(temporary.Write(bytes, 3));
  ASSERT_TRUE(temporary.Rewind());
  uint8_t back[4] = {};
  uint32_t got = 0;
  ASSERT_TRUE(temporary.Read(back, 4, &got));
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(back[2], 3);
  EXPECT_EQ(temporary.Stamp().size, 3u);
}

TEST_F(TransferFileTest, SameFileKnowsTwoNamesOfOneFile) {
  std::ofstream(dir / "one") << "1";
  std::ofstream(dir / "other") << "2";
  fs::create_hard_link(dir / "one", dir / "hard");
  fs::create_symlink(dir / "one", dir / "soft");
  struct Case {
    fs::path first;
    fs::path second;
    bool same;
  };
  const std::array<Case, 6> kCases = {{
      {dir / "one", dir / "one", true},
      {dir / "one", dir / "." / "sub" / ".." / "one", true},
      {dir / "one", dir / "hard", true},
      {dir / "soft", dir / "one", true},
      {dir / "new", dir / "." / "new", true},  // neither exists yet
      {dir / "one", dir / "other", false},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.first.string() + " " + c.second.string());
    EXPECT_EQ(SameFile(c.first.c_str(), c.second.c_str()), c.same);
  }
}

}  // namespace
}  // namespace varnel::testing
