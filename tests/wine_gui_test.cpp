// Varnel.exe, the Windows window program, under Wine on a virtual X display
// (Xvfb), used through the keyboard as a person would (xdotool): it
// connects to the simulated handset at COM1, dumps a region into a file
// that matches the flash byte for byte, disconnects when its window is
// closed and ends at the second close; under a Russian locale its captions
// are the Russian ones. Each test has its own display and Wine server.
#include <poll.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "sim/handset_responses.h"
#include "tests/handset_fixture.h"
#include "tests/wine_session.h"

namespace varnel::testing {
namespace {

// Starting Wine's desktop and the program on a fresh server takes seconds.
constexpr std::chrono::seconds kWindowLimit{90};
constexpr std::chrono::seconds kStepLimit{60};
constexpr std::chrono::seconds kXdotoolLimit{10};
constexpr std::chrono::milliseconds kWindowPoll{100};  // each look starts xdotool
constexpr uint32_t kDumpOffset = 0x2500000;
constexpr uint32_t kDumpSize = 0x20000;

// An X server of its own (Xvfb) on the first free display number, stopped
// with the object.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    int ready[2];
    if (::pipe(ready) != 0) return;
    // -displayfd: the server picks a free number and writes it there once
    // it accepts connections.
    process =
        std::make_unique<ChildProcess>(std::vector<std::string>{VARNEL_XVFB, "-displayfd", std::to_string(ready[1]),
                                                                "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                                       std::vector<std::string>{}, std::filesystem::temp_directory_path(), "/dev/null");
    ::close(ready[1]);
    std::string number;
    pollfd waiting{ready[0], POLLIN, 0};
    char c = 0;
    while (::poll(&waiting, 1, static_cast<int>(std::chrono::milliseconds(kStepLimit).count())) == 1 &&
           ::read(ready[0], &c, 1) == 1 && c != '\n') {
      number += c;
    }
    ::close(ready[0]);
    if (!number.empty()) name = ":" + number;
  }

  // ":N", or empty when the server did not start.
  const std::string& Name() const { return name; }

 private:
  std::unique_ptr<ChildProcess> process;
  std::string name;
};

class WineGuiTest : public HandsetTest {
 protected:
  WineGuiTest() { StopWineServer(); }
  ~WineGuiTest() override {
    program.reset();
    StopWineServer();
  }

  // Every Wine process of the prefix ends: a program from an earlier test,
  // and the desktop tied to an earlier display.
  static void StopWineServer() {
    for (const char* option : {"-k 2>/dev/null", "-w"})
      RunCommand(std::string("WINEPREFIX='") + VARNEL_WINE_PREFIX + "' '" + VARNEL_WINESERVER + "' " + option);
  }

  // Starts Varnel.exe from the build (the language module beside it) in
  // the test's directory, with `settings` as its Varnel.ini and COM1
  // leading to the handset.
  void StartProgram(const std::string& settings, const std::string& lang) {
    ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start";
    // At each start Wine's mount manager gives COM1 to the machine's first
    // serial device, whatever the prefix's link says, unless the registry's
    // Ports key names another: the key names the handset's terminal, and
    // the server that the change started ends, so that the program's start
    // reads it.
    ASSERT_TRUE(RunCommand(std::string("WINEPREFIX='") + VARNEL_WINE_PREFIX + "' WINEDEBUG=-all '" + VARNEL_WINE64 +
                           "' reg add 'HKLM\\Software\\Wine\\Ports' /v COM1 /d '" + handset->SlavePath() +
                           "' /f >/dev/null 2>&1")
                    .ok);
    StopWineServer();
    LinkComPort(VARNEL_WINE_PREFIX, "com1", handset->SlavePath());
    std::ofstream(dir / "Varnel.ini", std::ios::binary) << settings;
    program = std::make_unique<ChildProcess>(
        std::vector<std::string>{VARNEL_WINE64, VARNEL_WINDOWS_GUI},
        std::vector<std::string>{"WINEPREFIX=" + std::string(VARNEL_WINE_PREFIX), "WINEDEBUG=-all",
                                 "DISPLAY=" + display.Name(), "LANG=" + lang, "LC_ALL=" + lang,
                                 "HOME=" + dir.Path().string(), "PATH=/usr/bin:/bin"},
        dir.Path(), dir / "wine.txt");
    ASSERT_TRUE(program->Started());
  }

  // Runs xdotool on the test's display; bounded, since some of its waits
  // (--sync) have no end of their own.
  std::string Xdotool(const std::string& arguments) {
    return RunCommand("DISPLAY=" + display.Name() + " timeout " + std::to_string(kXdotoolLimit.count()) + " '" +
                      VARNEL_XDOTOOL + "' " + arguments + " 2>/dev/null")
        .text;
  }

  // Waits until exactly `count` visible top-level windows have a title
  // that matches `title` (a regular expression), at most `limit` (less
  // when the program ends); their ids as xdotool numbers them, or nothing.
  std::optional<std::vector<std::string>> WaitForWindows(const std::string& title, size_t count,
                                                         std::chrono::seconds limit = kStepLimit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline && !program->Ended()) {
      std::istringstream listed(Xdotool("search --onlyvisible --name '" + title + "'"));
      std::vector<std::string> ids;
      for (std::string id; std::getline(listed, id);) ids.push_back(id);
      if (ids.size() == count) return ids;
      std::this_thread::sleep_for(kWindowPoll);
    }
    return std::nullopt;
  }

  // The window titled `title` once it is the only one; empty if it did not
  // come within `limit`.
  std::string WaitForWindow(const std::string& title, std::chrono::seconds limit = kStepLimit) {
    const auto ids = WaitForWindows(title, 1, limit);
    return ids ? ids->front() : std::string();
  }

  // A dialog titled as the main window, once it shows: the one besides
  // `window`; empty if none came.
  std::string WaitForDialog(const std::string& window) {
    const auto ids = WaitForWindows("^Varnel$", 2);
    if (!ids) return {};
    return ids->front() == window ? ids->back() : ids->front();
  }

  // Types `keys` (xdotool's key names) into `window`, as a person at the
  // keyboard would: the window gets the focus, then the keys go to the X
  // server.
  void Type(const std::string& window, const std::string& keys) {
    Xdotool("windowfocus --sync " + window + " key --delay 50 " + keys);
  }

  std::string WineLog() {
    const std::vector<uint8_t> bytes = ReadFile(dir / "wine.txt");
    return std::string(bytes.begin(), bytes.end());
  }

  VirtualDisplay display;
  std::unique_ptr<ChildProcess> program;
};

TEST_F(WineGuiTest, ConnectsDumpsARegionDisconnectsWhenClosedAndShowsRussianCaptions) {
  StartHandset();
  const std::string dumpFile = WindowsPath(dir / "dump.bin");
  // The Dumper tab with a typed region and its file; the warnings stay on,
  // so each is answered as a person would.
  StartProgram(
      "[Settings]\r\nComPort=1\r\nLastTab=2\r\nState=3\r\nOffset=0x2500000\r\nSize=0x20000\r\n"
      "[Dumper]\r\nFileName=" +
          dumpFile + "\r\n",
      "ru_RU.UTF-8");
  const std::string window = WaitForWindow("^Varnel$", kWindowLimit);
  ASSERT_FALSE(window.empty()) << WineLog();
  // Under a Russian locale (code page 1251) Tools, Options...: the menus
  // stay English, the dialog's caption is from the language module. The
  // focus goes back to where it was.
  Type(window, "alt Right Down Return");
  const std::string options = WaitForWindow("^Varnel :: ");
  ASSERT_FALSE(options.empty()) << WineLog();
  EXPECT_EQ(Xdotool("getwindowname " + options), "Varnel :: Настройки\n");
  Type(options, "Escape");
  ASSERT_TRUE(WaitForWindows("^Varnel :: ", 0));

  // "Switch to SERIAL" has the focus at start-up; then the connect
  // instructions, closed with Enter.
  Type(window, "space");
  const std::string instructions = WaitForDialog(window);
  ASSERT_FALSE(instructions.empty()) << WineLog();
  Type(instructions, "Return");
  ASSERT_TRUE(handset->WaitFor(
      [](const sim::TranscriptData& d) {
        for (const sim::PacketRecord& p : d.Packets(kCmdState)) {
          if (p.packet.first == kStateIdle && p.response.has_value()) return true;
        }
        return false;
      },
      kStepLimit))
      << WineLog();
  // Serial mode: the notice comes once the pages are unlocked.
  const std::string notice = WaitForDialog(window);
  ASSERT_FALSE(notice.empty()) << WineLog();
  Type(notice, "Return");
  ASSERT_EQ(WaitForWindow("^Varnel$"), window);

  // From the main button, Tab goes through the tabs, the region panel,
  // offset, size, file name and "..." to "Dump!!!".
  Type(window, "Tab Tab Tab Tab Tab Tab Tab space");
  ASSERT_TRUE(handset->WaitFor(
      [](const sim::TranscriptData& d) {
        const std::vector<sim::TransferRecord> dumps = d.Transfers(TransferKind::Dump);
        return !dumps.empty() && dumps.back().response.has_value();
      },
      kStepLimit))
      << WineLog();
  PollUntil([&] { return ReadFile(dir / "dump.bin").size() >= kDumpSize; }, kStepLimit);
  EXPECT_EQ(ReadFile(dir / "dump.bin"), Flash(kDumpOffset, kDumpSize));
  const sim::TransferRecord dump = handset->Transcript().Transfers(TransferKind::Dump).back();
  EXPECT_EQ(dump.address, kDumpOffset);
  EXPECT_EQ(dump.size, kDumpSize);

  // Closing the window while connected disconnects; once the port is
  // closed, closing it again ends the program.
  Type(window, "alt+F4");
  ASSERT_TRUE(handset->WaitFor([](const sim::TranscriptData& d) { return d.stats.programHangUps >= 1; }, kStepLimit))
      << WineLog();
  const sim::TranscriptData line = handset->Transcript();
  ASSERT_EQ(line.Packets(kCmdDisconnect).size(), 1u);
  EXPECT_EQ(line.Packets(kCmdDisconnect)[0].raw, (std::vector<uint8_t>{0x01, kCmdDisconnect}));
  EXPECT_FALSE(program->Ended());
  Type(window, "alt+F4");
  EXPECT_EQ(program->ExitStatusWithin(kStepLimit), 0) << WineLog();
}

}  // namespace
}  // namespace varnel::testing
