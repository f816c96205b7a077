// varnel-cli.exe, the Windows build, under Wine against the simulated
// handset: the handset's pseudo-terminal is a COM port of the Wine prefix
// (a dosdevices link). Connects at both speeds, dumps and flashes read back
// exactly with small and large blocks, a recovered CRC failure, a hang-up,
// Ctrl+C with the trace complete, a package named in Cyrillic with the
// Russian texts, files named outside the ANSI code page, a verify whose
// read-back leaves a temporary folder named in Cyrillic empty, a trace
// named for a device refused before the port opens, and an import table of
// system DLLs only. The prefix is made once by the WinePrefix fixture of
// CTest; the tests share its COM port, so they run one at a time.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <thread>

#include "cli/cli_session.h"
#include "sim/handset_responses.h"
#include "tests/handset_fixture.h"
#include "texts/code_page.h"

namespace varnel::testing {
namespace {

constexpr char kComPort[] = "COM7";
constexpr char kComLink[] = "com7";  // dosdevices names are lower case
// A session under Wine starts slower than a native one.
constexpr std::chrono::seconds kWineSessionLimit{120};

// The DLLs every Windows has; anything else would have to be shipped.
constexpr std::array<std::string_view, 8> kSystemDlls = {
    "kernel32.dll", "msvcrt.dll", "user32.dll", "advapi32.dll",
    "shell32.dll",  "ws2_32.dll", "ucrtbase.dll", "ntdll.dll",
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

class WineCliTest : public HandsetTest {
 protected:
  // Points the prefix's COM port at the handset.
  void MapComPort() {
    const std::filesystem::path comLink = std::filesystem::path(VARNEL_WINE_PREFIX) / "dosdevices" / kComLink;
    std::error_code ignored;
    std::filesystem::remove(comLink, ignored);
    std::filesystem::create_symlink(handset->SlavePath(), comLink);
  }

  // `path` as Wine names it on its drive Z:, the root of the file system.
  static std::string WindowsPath(const std::filesystem::path& path) {
    std::string name = "Z:" + path.string();
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
  }

  // Starts varnel-cli.exe in the test's directory with `args` after the
  // port and the package, standard error going to log.txt. With a
  // `windowsTemp`, through cmd, which sets %TMP% and %TEMP% to it: Wine
  // takes those of a program started from Linux from its registry.
  pid_t Spawn(std::vector<std::string> args, const std::string& lang = "C.UTF-8") {
    MapComPort();
    args.insert(args.begin(), {"--port", port});
    if (windowsTemp.empty()) {
      args.insert(args.begin(), {VARNEL_WINE64, program});
    } else {
      args.insert(args.begin(), {VARNEL_WINE64, "cmd", "/c", "set", "TMP=" + windowsTemp + "&&", "set",
                                 "TEMP=" + windowsTemp + "&&", WindowsPath(program)});
    }
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = {"WINEPREFIX=" + std::string(VARNEL_WINE_PREFIX), "WINEDEBUG=-all",
                                    "LANG=" + lang, "LC_ALL=" + lang, "HOME=" + dir.Path().string(),
                                    "PATH=/usr/bin:/bin"};
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.Path().c_str());
    posix_spawn_file_actions_addopen(&actions, 2, (dir / "log.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  // The exit status once the process ended within `limit`; -1 when it did
  // not (it is killed then).
  static int ExitStatusWithin(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  int Run(std::vector<std::string> args, const std::string& lang = "C.UTF-8") {
    const int status = ExitStatusWithin(Spawn(std::move(args), lang), kWineSessionLimit);
    // Each session ends with the disconnect, which switches the handset
    // off; the next one wakes it.
    ++sessions;
    EXPECT_TRUE(handset->WaitFor([&](const sim::TranscriptData& d) { return d.stats.disconnects >= sessions; },
                                 std::chrono::seconds(5)));
    return status;
  }

  std::string Log() {
    std::vector<uint8_t> log = ReadFile(dir / "log.txt");
    return std::string(log.begin(), log.end());
  }

  std::vector<std::string> Package() { return {"--package", "Varnel.res"}; }

  void FlashAndDumpBack(const char* speed, const char* block, uint32_t offset);

  uint32_t sessions = 0;
  std::string port = kComPort;  // as the user types it
  std::string program = VARNEL_WINDOWS_CLI;
  std::string windowsTemp;  // the program's %TEMP%, when not the prefix's
};

// Flashes a file full of the bytes XON/XOFF would swallow (and every
// other) and dumps the region back, at `speed` with `block`-byte blocks.
void WineCliTest::FlashAndDumpBack(const char* speed, const char* block, uint32_t offset) {
  StartHandset();
  std::vector<uint8_t> image(0x12000);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i % 3 == 0 ? 0x11 + i % 5 : i * 7);
  WriteFile(dir / "image.bin", image);
  char region[16];
  std::snprintf(region, sizeof region, "0x%x", offset);
  std::vector<std::string> flash = Package();
  flash.insert(flash.end(), {"--speed", speed, "--block", block, "flash", region, "image.bin"});
  ASSERT_EQ(Run(flash), 0) << Log();
  EXPECT_EQ(Flash(offset, 0x12000), image);
  EXPECT_NE(Log().find(std::string("Port speed ") + speed), std::string::npos) << Log();

  std::vector<std::string> dump = Package();
  dump.insert(dump.end(), {"--speed", speed, "--block", block, "dump", region, "0x40000", "dump.bin"});
  ASSERT_EQ(Run(dump), 0) << Log();
  EXPECT_EQ(ReadFile(dir / "dump.bin"), Flash(offset, 0x40000));
}

TEST_F(WineCliTest, FlashAndDumpReadBackAt115200With1024ByteBlocks) { FlashAndDumpBack("115200", "1024", 0x2500000); }

TEST_F(WineCliTest, FlashAndDumpReadBackAt460800With8192ByteBlocks) { FlashAndDumpBack("460800", "8192", 0x2010000); }

TEST_F(WineCliTest, ACrcFailureIsRecovered) {
  sim::FaultPlan faults;
  faults.corruptCrc = {3, 2, 1};
  StartHandset(faults);
  port = "com7";  // port names are not case-sensitive on Windows
  std::vector<std::string> dump = Package();
  dump.insert(dump.end(), {"--block", "8192", "dump", "0x2000000", "0x20000", "part.bin"});
  ASSERT_EQ(Run(dump), 0) << Log();
  EXPECT_EQ(ReadFile(dir / "part.bin"), Flash(kBank2Base, 0x20000));
  EXPECT_NE(Log().find("XM CRC Error (58) (Serial_XM:312)"), std::string::npos) << Log();
}

TEST_F(WineCliTest, FilesNamedInCyrillicAndRussianTextsUnderCodePage1251) {
  StartHandset();
  std::filesystem::copy_file(dir / "Varnel.res", dir / "Загрузчик.res");
  // The language module is taken from the program's folder only: the
  // program runs from the test's directory, by a link.
  std::filesystem::copy_file(VARNEL_SOURCE_DIR "/resources/Varnel.lng", dir / "Varnel.lng");
  std::filesystem::create_symlink(program, dir / "varnel-cli.exe");
  program = (dir / "varnel-cli.exe").string();
  const std::vector<uint8_t> image(0x3000, 0xC3);
  WriteFile(dir / "Образ.bin", image);
  ASSERT_EQ(Run({"--package", "Загрузчик.res", "flash", "0x2100000", "Образ.bin"}, "ru_RU.UTF-8"), 0) << Log();
  EXPECT_EQ(Flash(0x2100000, 0x3000), image);
  // Redirected, the log is in the ANSI code page.
  const std::string log = ToUtf8(Log(), kCyrillicCodePage);
  EXPECT_NE(log.find("] Поток запущен\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("] Телефон переключён в режим SERIAL!\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("] Прошивка завершена!\r\n"), std::string::npos) << log;
}

// Neither 中 nor 😀 is in code page 1252, and best-fit would make the
// fullwidth quote an ASCII one: another file.
TEST_F(WineCliTest, FilesNamedOutsideTheAnsiCodePageAreTheFilesTheySpell) {
  StartHandset();
  const std::vector<uint8_t> image(0x3000, 0x5A);
  WriteFile(dir / "中-😀-＂.bin", image);
  std::vector<std::string> flash = Package();
  flash.insert(flash.end(), {"flash", "0x2100000", "中-😀-＂.bin"});
  ASSERT_EQ(Run(flash), 0) << Log();
  std::vector<std::string> dump = Package();
  dump.insert(dump.end(), {"dump", "0x2100000", "0x3000", "дамп-中.bin"});
  ASSERT_EQ(Run(dump), 0) << Log();
  EXPECT_EQ(ReadFile(dir / "дамп-中.bin"), image);
}

TEST_F(WineCliTest, AVerifyLeavesATemporaryFolderNamedInCyrillicEmpty) {
  StartHandset();
  const std::filesystem::path temp = dir / "Временные";
  std::filesystem::create_directory(temp);
  windowsTemp = WindowsPath(temp);
  WriteFile(dir / "image.bin", std::vector<uint8_t>(0x3000, 0xA5));
  std::vector<std::string> flash = Package();
  flash.insert(flash.end(), {"--verify", "flash", "0x2100000", "image.bin"});
  ASSERT_EQ(Run(flash), 0) << Log();
  EXPECT_NE(Log().find("] Verify OK\r\n"), std::string::npos) << Log();
  EXPECT_TRUE(std::filesystem::is_empty(temp));
}

// ---- Failures ----

TEST_F(WineCliTest, ATraceNamedForADeviceIsRefusedBeforeThePortOpens) {
  StartHandset();
  std::vector<std::string> dump = Package();
  dump.insert(dump.end(), {"--trace", "NUL", "dump", "0x2000000", "0x1000", "part.bin"});
  EXPECT_EQ(ExitStatusWithin(Spawn(dump), kWineSessionLimit), cli::kExitUsage) << Log();
  EXPECT_NE(Log().find("NUL: a device"), std::string::npos) << Log();
  EXPECT_TRUE(ProgramBytes().empty()) << "the port was never opened";
}

TEST_F(WineCliTest, AHangUpEndsTheSessionWithTheBlocksReceived) {
  sim::FaultPlan faults;
  faults.hangUp = {sim::TransferKind::kDump, 3};
  StartHandset(faults);
  std::vector<std::string> dump = Package();
  dump.insert(dump.end(), {"dump", "0x1000000", "0x10000", "cut.bin"});
  EXPECT_EQ(ExitStatusWithin(Spawn(dump), kWineSessionLimit), 1) << Log();
  const std::vector<uint8_t> cut = ReadFile(dir / "cut.bin");
  EXPECT_LE(cut.size(), 3u * 1024);
  EXPECT_EQ(cut, Flash(kBank1Base, static_cast<uint32_t>(cut.size())));
  EXPECT_NE(Log().find("Error (19) (Serial:758)"), std::string::npos) << Log();
  EXPECT_NE(Log().find("Com port closed"), std::string::npos) << Log();
}

TEST_F(WineCliTest, CtrlCCancelsTheDumpAndDisconnects) {
  StartHandset();
  std::vector<std::string> dump = Package();
  dump.insert(dump.end(), {"--trace", "trace.txt", "dump", "system", "system.bin"});
  const pid_t pid = Spawn(dump);
  const bool started = handset->WaitFor(
      [](const sim::TranscriptData& d) {
        auto dumps = d.Transfers(sim::TransferKind::kDump);
        return !dumps.empty() && dumps.back().blocks.size() >= 2;
      },
      kWineSessionLimit);
  ::kill(pid, SIGINT);  // Wine hands it to the program as Ctrl+C
  EXPECT_EQ(ExitStatusWithin(pid, kWineSessionLimit), 1) << Log();
  ASSERT_TRUE(started);
  ASSERT_TRUE(handset->WaitFor([](const sim::TranscriptData& d) { return d.stats.disconnects == 1; },
                               std::chrono::seconds(5)));
  EXPECT_EQ(handset->Transcript().Transfers(sim::TransferKind::kDump).back().programControls.back(), kCan);
  const std::vector<uint8_t> got = ReadFile(dir / "system.bin");
  EXPECT_LT(got.size(), kBankSize);
  EXPECT_EQ(got, Flash(kBank1Base, static_cast<uint32_t>(got.size())));
  EXPECT_NE(Log().find("] Interrupted\r\n"), std::string::npos) << Log();
  // The trace holds the session to its end: the port's close is its last
  // record.
  const std::vector<uint8_t> trace = ReadFile(dir / "trace.txt");
  ASSERT_GT(trace.size(), 2u);
  const auto lastLine = std::find(trace.rbegin() + 1, trace.rend(), '\n').base();
  EXPECT_NE(std::string(lastLine, trace.end()).find(" close"), std::string::npos);
}

TEST(WineCliImportsTest, TheExecutableNeedsSystemDllsOnly) {
  const std::string command = std::string(VARNEL_OBJDUMP) + " -p '" + VARNEL_WINDOWS_CLI + "'";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::vector<std::string> dlls;
  char line[512];
  constexpr std::string_view kDllName = "DLL Name: ";
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string_view text(line);
    const size_t at = text.find(kDllName);
    if (at == std::string_view::npos) continue;
    std::string name(text.substr(at + kDllName.size()));
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
    dlls.push_back(Lower(name));
  }
  EXPECT_EQ(::pclose(pipe), 0);
  ASSERT_FALSE(dlls.empty());
  for (const std::string& dll : dlls) {
    EXPECT_NE(std::find(kSystemDlls.begin(), kSystemDlls.end(), dll), kSystemDlls.end()) << dll;
  }
}

}  // namespace
}  // namespace varnel::testing
