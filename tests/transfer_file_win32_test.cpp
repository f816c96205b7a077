// Files on Windows (run under Wine when cross-built): narrow names are
// UTF-8 for any wide name, a lone surrogate included; a device's name is
// refused without the device being opened; a name outside the ANSI code
// page is the file it spells; the nameless temporary file is no one
// else's and is gone once closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "files/narrow_path.h"
#include "files/transfer_file.h"
#include "tests/scoped_variable_win32.h"
#include "tests/test_support.h"

namespace varnel::testing {
namespace {

namespace fs = std::filesystem;

TEST(NarrowPathWin32Test, NamesGoToUtf8AndBackUnitForUnit) {
  struct Case {
    const char* what;
    std::wstring wide;
    std::string narrow;
  };
  const std::array<Case, 4> kCases = {{
      {"Cyrillic", L"\u041e\u0431\u0440\u0430\u0437.bin", "Образ.bin"},
      {"outside every ANSI code page", L"\u4e2d-\U0001F600.bin", "中-😀.bin"},
      {"fullwidth quote and backslash", L"a\uFF02b\uFF3Cc", "a＂b＼c"},
      {"a lone surrogate, a legal name", L"x\xD800y", "x\xED\xA0\x80y"},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PathFromNarrow(c.narrow).native(), c.wide);
    EXPECT_EQ(NarrowFromPath(fs::path(c.wide)), c.narrow);
  }
  // Bytes that are no UTF-8 stand for U+FFFD each, never for another name.
  EXPECT_EQ(PathFromNarrow("a\xC0\xAF\xFF").native(), L"a\uFFFD\uFFFD\uFFFD");
}

TEST(TransferFileWin32Test, ADeviceNameIsRefusedWithoutTheDeviceBeingOpened) {
  // A pipe of our own stands for the device: it tells whether anyone
  // connected, which opening its name would do.
  const std::wstring pipe = L"\\\\.\\pipe\\varnel-test-" + std::to_wstring(GetCurrentProcessId());
  const HANDLE server =
      CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 0, 0, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  const std::array<std::string, 8> kNames = {
      "NUL", "nul.txt", "sub\\COM1.bin", "aux .log", "C:\\x\\LPT1", "CONOUT$", "\\\\.\\COM7", NarrowFromPath(pipe),
  };
  for (const std::string& name : kNames) {
    SCOPED_TRACE(name);
    std::string reason;
    EXPECT_FALSE(TransferFile::MayReplace(name.c_str(), &reason));
    EXPECT_NE(reason.find("a device"), std::string::npos) << reason;
    EXPECT_FALSE(TransferFile::Create(name.c_str(), &reason).IsOpen());
    EXPECT_FALSE(TransferFile::Append(name.c_str(), &reason).IsOpen());
    EXPECT_FALSE(TransferFile::OpenForReading(name.c_str(), &reason).IsOpen());
    EXPECT_FALSE(SameFile(name.c_str(), "elsewhere.bin"));
  }
  const BOOL connected = ConnectNamedPipe(server, nullptr);
  const DWORD state = GetLastError();
  EXPECT_FALSE(connected);
  EXPECT_EQ(state, static_cast<DWORD>(ERROR_PIPE_LISTENING)) << "no one opened the pipe";
  CloseHandle(server);
}

TEST(TransferFileWin32Test, ANameOutsideTheAnsiCodePageIsTheFileItSpells) {
  TempDir dir;
  const fs::path wide = dir.Path() / L"\u4e2d-\U0001F600.bin";
  const std::string name = NarrowFromPath(wide);
  const std::string upper = NarrowFromPath(dir.Path() / L"\u4e2d-\U0001F600.BIN");
  std::string reason;
  {
    TransferFile file = TransferFile::Create(name.c_str(), &reason);
    ASSERT_TRUE(file.IsOpen()) << reason;
    ASSERT_TRUE(file.Write(reinterpret_cast<const uint8_t*>("abc"), 3));
  }
  {
    TransferFile file = TransferFile::Append(upper.c_str(), &reason);
    ASSERT_TRUE(file.IsOpen()) << reason;
    EXPECT_EQ(file.Size(), 3u);
    ASSERT_TRUE(file.Write(reinterpret_cast<const uint8_t*>("de"), 2));
  }
  EXPECT_EQ(fs::file_size(wide), 5u) << "the file the wide name spells";
  EXPECT_TRUE(SameFile(name.c_str(), upper.c_str())) << "letter case does not matter";
  EXPECT_FALSE(SameFile(name.c_str(), NarrowFromPath(dir.Path() / L"\u4e2d.bin").c_str()));
  TransferFile file = TransferFile::OpenForReading(name.c_str(), &reason);
  uint8_t bytes[8] = {};
  uint32_t got = 0;
  ASSERT_TRUE(file.Read(bytes, sizeof bytes, &got));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), got), "abcde");
  EXPECT_EQ(file.Stamp().size, 5u);
  EXPECT_FALSE(TransferFile::MayReplace(NarrowFromPath(dir.Path()).c_str(), &reason)) << "a folder";
}

TEST(TransferFileWin32Test, TheTemporaryFileIsNoOneElsesAndGoneOnceClosed) {
  TempDir dir;
  const fs::path folder = dir.Path() / L"\u0412\u0440\u0435\u043c\u0435\u043d\u043d\u044b\u0435";
  fs::create_directory(folder);
  const ScopedVariable tmp(L"TMP", folder.native());
  std::string reason;
  TransferFile file = TransferFile::CreateTemporary(&reason);
  ASSERT_TRUE(file.IsOpen()) << reason;
  ASSERT_TRUE(file.Write(reinterpret_cast<const uint8_t*>("flash"), 5));
  ASSERT_TRUE(file.Rewind());
  uint8_t bytes[8] = {};
  uint32_t got = 0;
  ASSERT_TRUE(file.Read(bytes, sizeof bytes, &got));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), got), "flash");
  const std::vector<fs::path> entries{fs::directory_iterator(folder), fs::directory_iterator()};
  ASSERT_EQ(entries.size(), 1u) << "made in the temporary folder";
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const HANDLE other = CreateFileW(entries[0].c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(other, INVALID_HANDLE_VALUE) << "no one else opens it";
  if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
  EXPECT_TRUE(file.Close());
  EXPECT_TRUE(fs::is_empty(folder));
}

}  // namespace
}  // namespace varnel::testing
