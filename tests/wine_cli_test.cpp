// varnel-cli.exe, the Windows build, under Wine against the simulated
// handset: the handset's pseudo-terminal is a COM port of the Wine prefix
// (a dosdevices link), named in either case. Connects at both speeds, dumps
// and flashes read back exactly with small and large blocks, a hang-up,
// Ctrl+C with the trace complete, a package named in Cyrillic with the
// Russian texts, files named outside the ANSI code page, a verify whose
// read-back leaves a temporary folder named in Cyrillic empty, a trace
// named for a device refused before the port opens. The prefix is made
// once by the WinePrefix fixture of CTest; the tests share its COM port, so
// they run one at a time.
#include <algorithm>
#include <array>
#include <memory>

#include "cli/cli_session.h"
#include "sim/handset_responses.h"
#include "tests/handset_fixture.h"
#include "tests/wine_session.h"
#include "texts/code_page.h"

namespace varnel::testing {
namespace {

constexpr char kComPort[] = "COM7";
constexpr char kComLink[] = "com7";  // dosdevices names are lower case
// A session under Wine starts slower than a native one.
constexpr std::chrono::seconds kWineSessionLimit{120};

class WineCliTest : public HandsetTest {
 protected:
  // Starts varnel-cli.exe in the test's directory with `args` after the
  // port and (unless `args` names one) the package Varnel.res, its output
  // going to log.txt. With a
  // `windowsTemp`, through cmd, which sets %TMP% and %TEMP% to it: Wine
  // takes those of a program started from Linux from its registry.
  std::unique_ptr<ChildProcess> Spawn(std::vector<std::string> args, const std::string& lang = "C.UTF-8") {
    LinkComPort(VARNEL_WINE_PREFIX, kComLink, handset->SlavePath());
    if (std::find(args.begin(), args.end(), "--package") == args.end()) {
      args.insert(args.begin(), {"--package", "Varnel.res"});
    }
    args.insert(args.begin(), {"--port", port});
    if (windowsTemp.empty()) {
      args.insert(args.begin(), {VARNEL_WINE64, program});
    } else {
      args.insert(args.begin(), {VARNEL_WINE64, "cmd", "/c", "set", "TMP=" + windowsTemp + "&&", "set",
                                 "TEMP=" + windowsTemp + "&&", WindowsPath(program)});
    }
    auto process = std::make_unique<ChildProcess>(
        std::move(args),
        std::vector<std::string>{"WINEPREFIX=" + std::string(VARNEL_WINE_PREFIX), "WINEDEBUG=-all", "LANG=" + lang,
                                 "LC_ALL=" + lang, "HOME=" + dir.Path().string(), "PATH=/usr/bin:/bin"},
        dir.Path(), dir / "log.txt");
    EXPECT_TRUE(process->Started());
    return process;
  }

  int Run(std::vector<std::string> args, const std::string& lang = "C.UTF-8") {
    const int status = Spawn(std::move(args), lang)->ExitStatusWithin(kWineSessionLimit);
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

  uint32_t sessions = 0;
  std::string port = kComPort;  // as the user types it
  std::string program = VARNEL_WINDOWS_CLI;
  std::string windowsTemp;  // the program's %TEMP%, when not the prefix's
};

// Flashes a file full of the bytes XON/XOFF would swallow (and every
// other) and dumps the region back, at each speed with its block size;
// port names are not case-sensitive on Windows.
TEST_F(WineCliTest, FlashAndDumpReadBackAtEachSpeedAndBlockSize) {
  struct Case {
    const char* port;
    const char* speed;
    const char* block;
    const char* region;
    uint32_t offset;
  };
  constexpr std::array<Case, 2> kCases = {
      {{"com7", "115200", "1024", "0x2500000", 0x2500000}, {kComPort, "460800", "8192", "0x2010000", 0x2010000}}};
  StartHandset();
  std::vector<uint8_t> image(0x12000);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i % 3 == 0 ? 0x11 + i % 5 : i * 7);
  WriteFile(dir / "image.bin", image);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.speed);
    port = c.port;
    ASSERT_EQ(Run({"--speed", c.speed, "--block", c.block, "flash", c.region, "image.bin"}), 0) << Log();
    EXPECT_EQ(Flash(c.offset, 0x12000), image);
    EXPECT_NE(Log().find(std::string("Port speed ") + c.speed), std::string::npos) << Log();
    ASSERT_EQ(Run({"--speed", c.speed, "--block", c.block, "dump", c.region, "0x40000", "dump.bin"}), 0) << Log();
    EXPECT_EQ(ReadFile(dir / "dump.bin"), Flash(c.offset, 0x40000));
  }
}

TEST_F(WineCliTest, FilesNamedOutsideTheCodePageAndRussianTextsUnderCodePage1251) {
  StartHandset();
  std::filesystem::copy_file(dir / "Varnel.res", dir / "Загрузчик.res");
  // The language module is taken from the program's folder only: the
  // program runs from the test's directory, by a link.
  std::filesystem::copy_file(VARNEL_SOURCE_DIR "/resources/Varnel.lng", dir / "Varnel.lng");
  std::filesystem::create_symlink(program, dir / "varnel-cli.exe");
  program = (dir / "varnel-cli.exe").string();
  const std::vector<uint8_t> image(0x3000, 0xC3);
  // Neither 中 nor 😀 is in the code page, and best-fit would make the
  // fullwidth quote an ASCII one: another file.
  WriteFile(dir / "Образ-中-😀-＂.bin", image);
  ASSERT_EQ(Run({"--package", "Загрузчик.res", "flash", "0x2100000", "Образ-中-😀-＂.bin"}, "ru_RU.UTF-8"), 0) << Log();
  EXPECT_EQ(Flash(0x2100000, 0x3000), image);
  // Redirected, the log is in the ANSI code page.
  const std::string log = ToUtf8(Log(), kCyrillicCodePage);
  EXPECT_NE(log.find("] Поток запущен\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("] Телефон переключён в режим SERIAL!\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("] Прошивка завершена!\r\n"), std::string::npos) << log;
  ASSERT_EQ(Run({"--package", "Загрузчик.res", "dump", "0x2100000", "0x3000", "дамп-中-😀-＂.bin"}), 0) << Log();
  EXPECT_EQ(ReadFile(dir / "дамп-中-😀-＂.bin"), image);
}

TEST_F(WineCliTest, AVerifyLeavesATemporaryFolderNamedInCyrillicEmpty) {
  StartHandset();
  const std::filesystem::path temp = dir / "Временные";
  std::filesystem::create_directory(temp);
  windowsTemp = WindowsPath(temp);
  WriteFile(dir / "image.bin", std::vector<uint8_t>(0x3000, 0xA5));
  ASSERT_EQ(Run({"--verify", "flash", "0x2100000", "image.bin"}), 0) << Log();
  EXPECT_NE(Log().find("] Verify OK\r\n"), std::string::npos) << Log();
  EXPECT_TRUE(std::filesystem::is_empty(temp));
}

// ---- Failures ----

TEST_F(WineCliTest, ATraceNamedForADeviceIsRefusedBeforeThePortOpens) {
  StartHandset();
  EXPECT_EQ(Spawn({"--trace", "NUL", "dump", "0x2000000", "0x1000", "part.bin"})->ExitStatusWithin(kWineSessionLimit),
            cli::kExitUsage)
      << Log();
  EXPECT_NE(Log().find("NUL: a device"), std::string::npos) << Log();
  EXPECT_TRUE(ProgramBytes().empty()) << "the port was never opened";
}

TEST_F(WineCliTest, AHangUpEndsTheSessionWithTheBlocksReceived) {
  sim::FaultPlan faults;
  faults.hangUp = {TransferKind::Dump, 3};
  StartHandset(faults);
  EXPECT_EQ(Spawn({"dump", "0x1000000", "0x10000", "cut.bin"})->ExitStatusWithin(kWineSessionLimit), 1) << Log();
  const std::vector<uint8_t> cut = ReadFile(dir / "cut.bin");
  EXPECT_LE(cut.size(), 3u * 1024);
  EXPECT_EQ(cut, Flash(kBank1Base, static_cast<uint32_t>(cut.size())));
  EXPECT_NE(Log().find("Error (19) (Serial:758)"), std::string::npos) << Log();
  EXPECT_NE(Log().find("Com port closed"), std::string::npos) << Log();
}

TEST_F(WineCliTest, CtrlCCancelsTheDumpAndDisconnects) {
  StartHandset();
  const std::unique_ptr<ChildProcess> process = Spawn({"--trace", "trace.txt", "dump", "system", "system.bin"});
  const bool started = handset->WaitFor(
      [](const sim::TranscriptData& d) {
        auto dumps = d.Transfers(TransferKind::Dump);
        return !dumps.empty() && dumps.back().blocks.size() >= 2;
      },
      kWineSessionLimit);
  process->Signal(SIGINT);  // Wine hands it to the program as Ctrl+C
  EXPECT_EQ(process->ExitStatusWithin(kWineSessionLimit), 1) << Log();
  ASSERT_TRUE(started);
  ASSERT_TRUE(
      handset->WaitFor([](const sim::TranscriptData& d) { return d.stats.disconnects == 1; }, std::chrono::seconds(5)));
  EXPECT_EQ(handset->Transcript().Transfers(TransferKind::Dump).back().programControls.back(), kCan);
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

}  // namespace
}  // namespace varnel::testing
