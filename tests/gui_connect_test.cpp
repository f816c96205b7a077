// Connect and disconnect through the main button against the simulated
// handset: the log as shown, reconnects, the warnings shown on the GUI
// thread while the worker waits, a close, a quit signal or the window's
// end while connected, a port that does not open.
// And the log and the line on files: File -> Save log... writes the lines
// as shown, a file that can't be written gives a red line and the reason;
// TraceFile in the settings file traces each connect, appended session by
// session, and one a copied settings file may not name leaves the connect
// untraced with a grey line.
#include <signal.h>

#include <cstdlib>

#include "gui/quit_signals.h"
#include "tests/gui_handset_test.h"

namespace varnel::testing {
namespace {

class GuiConnectTest : public GuiHandsetTest {
 protected:
  bool SeenDisconnects(uint32_t count) {
    return handset->WaitFor([count](const sim::TranscriptData& d) { return d.stats.disconnects == count; },
                            std::chrono::seconds(5));
  }

  // Connects with the main button and disconnects again, then waits until
  // the handset has seen the port close, as it does between two sessions
  // of a person at the keyboard.
  void ConnectAndDisconnect() {
    const uint32_t hangUps = handset->Transcript().stats.programHangUps;
    Connect();
    MainButton()->click();
    WaitForClose();
    ASSERT_TRUE(
        handset->WaitFor([&](const sim::TranscriptData& d) { return d.stats.programHangUps > hangUps; }, kGuiTimeout));
  }

  // Chooses File -> Save log... and, in its dialog, `path`; `offered`
  // gets the file the dialog offered first.
  void SaveLog(const std::filesystem::path& path, std::string* offered) {
    OnModal<QFileDialog> dialog([&](QFileDialog& d) {
      *offered = d.selectedFiles().value(0).toStdString();
      TypeAndAccept(d, path);
    });
    TriggerMenu("Save log...");
    ASSERT_TRUE(dialog.Done());
  }
};

// The link's lines, their order and colours: tests/e2e_connect_test.cpp.
// Here the window's part: its settings in the first line, each line shown
// stamped in its colour, the log brought into view on the flash tab (what
// each state of the link unlocks: tests/main_window_test.cpp). A reconnect
// as soon as the button returns joins the old worker, which may still be
// closing the port and logging it, and starts from a cleared log. With
// VARNEL_SCREENSHOT set, the connected window is saved there as a PNG
// (scripts/screenshot.sh).
TEST_F(GuiConnectTest, ConnectsAndDisconnectsThroughTheMainButton) {
  StartHandset();
  Open();
  for (uint32_t round = 1; round <= 3; ++round) {
    SCOPED_TRACE(round);
    Connect();
    EXPECT_EQ(ColouredLog(*window), (std::vector<ColouredLine>{{"Using COM1, speed 115200, block 1024 bytes", kBlack},
                                                               {"Com port opened", kBlack},
                                                               {"Thread started", kGrey},
                                                               {"Download Initiated", kBlack},
                                                               {"Port speed 115200", kGrey},
                                                               {kConnected, kGreen}}));
    EXPECT_EQ(Tabs()->currentIndex(), kFlasherTabIndex);
    EXPECT_TRUE(Part("log")->isVisible());
    EXPECT_TRUE(Part("progressBar")->isHidden());
    if (const char* path = std::getenv("VARNEL_SCREENSHOT"); path != nullptr && round == 1) {
      EXPECT_TRUE(window->grab().save(QString::fromLocal8Bit(path), "PNG"));
    }
    MainButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return MainButton()->text() == "Switch to SERIAL"; }));
    // The handset must have taken the disconnect packet off the line before
    // the port reopens, as a phone on a cable always has.
    ASSERT_TRUE(SeenDisconnects(round));
  }
  WaitForClose();
  const std::vector<ColouredLine> log = ColouredLog(*window);
  EXPECT_EQ(std::vector<ColouredLine>(log.end() - 2, log.end()),
            (std::vector<ColouredLine>{{"Thread exit normally", kGrey}, {kClosed, kBlack}}));
}

// The warnings show on the GUI thread while the worker waits: the connect
// instructions once the port is open, the notice once the loader runs. A
// close while connected only disconnects; the window's end joins the
// worker, which disconnects the loader first. Neither writes the settings:
// only a real close does (below).
TEST_F(GuiConnectTest, WarningsShowWhileTheWorkerWaitsAndAClosingOrDestroyedWindowEndsTheLink) {
  StartHandset({}, "");
  Open();
  const auto lastLine = [&] {
    const std::vector<std::string> texts = LogTexts(*window);
    return texts.empty() ? std::string() : texts.back();
  };
  ModalCloser closer(lastLine);  // what the log ends with when each warning appears
  // The button says "Disconnect" from the worker's first line on, so that
  // a connect that never comes to an end can be stopped (the stop itself:
  // tests/e2e_hostile_line_test.cpp); a close goes the same way.
  std::string buttonAtStart;
  const QMetaObject::Connection watch =
      QObject::connect(Part<QPlainTextEdit>("log"), &QPlainTextEdit::textChanged, [&] {
        if (lastLine() == "Thread started") buttonAtStart = MainButton()->text().toStdString();
      });
  Connect();
  QObject::disconnect(watch);
  EXPECT_EQ(buttonAtStart, "Disconnect");
  ASSERT_TRUE(WaitUntil([&] { return closer.seen.size() == 2; }));
  EXPECT_EQ(closer.seen[0].caption, "Varnel");
  // The text's line breaks as a message box takes them.
  EXPECT_EQ(closer.seen[0].text,
            "1. Switch OFF your phone!\n2. Connect phone to flash cabel\n"
            "3. If it's not start automaticaly, press ON button and HOLD it until MessageBox appear!");
  EXPECT_EQ(closer.seen[0].probe, "Com port opened");  // before the worker started
  EXPECT_EQ(closer.seen[1].text, app.ToDisplay(app.Text(text::kSerialModeNotice)));
  EXPECT_EQ(closer.seen[1].probe, kConnected);
  window->close();
  EXPECT_TRUE(window->isVisible());
  WaitForClose();
  ASSERT_TRUE(SeenDisconnects(1));
  EXPECT_EQ(closer.seen.size(), 2u);
  Connect();
  window.reset();
  ASSERT_TRUE(SeenDisconnects(2));
  EXPECT_EQ(ReadText(SettingsFile()), settingsBefore);
}

// The system's requests to end (the terminal closed, the session ending,
// kill) end the link as "Disconnect" does and close the window as a real
// close does, settings written after those the file held (the tab the
// connect showed among them).
TEST_F(GuiConnectTest, AQuitSignalEndsTheLinkAndClosesTheWindow) {
  StartHandset();
  QuitSignals quitSignals;
  uint32_t disconnects = 0;
  for (int signal : {SIGHUP, SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    Open();
    QObject::connect(&quitSignals, &QuitSignals::QuitRequested, window.get(), &MainWindow::Quit);
    Connect();
    ::raise(signal);
    ASSERT_TRUE(WaitUntil([&] { return !window->isVisible(); }));
    EXPECT_TRUE(Logged(*window, "Thread exit normally"));
    const std::string after = ReadText(SettingsFile());
    EXPECT_EQ(after.rfind(settingsBefore, 0), 0u) << after;
    EXPECT_NE(after.find("LastTab=1\n"), std::string::npos) << after;
    ++disconnects;
    EXPECT_TRUE(WaitUntil([&] { return handset->Transcript().stats.disconnects == disconnects; }));
  }
}

TEST_F(GuiConnectTest, APortThatDoesNotOpenLeavesTheButtonIdle) {
  WriteText(SettingsFile(),
            "[Settings]\nComPort=12\nComSpeed=57600\n[Ports]\nCOM12=" + (dir / "no-such-device").string() + "\n");
  Open();
  ModalCloser closer;
  MainButton()->click();
  const std::vector<ColouredLine> log = ColouredLog(*window);
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0].first, "Using COM12, speed 57600, block 1024 bytes");
  EXPECT_EQ(log[1].second, kRed);
  EXPECT_EQ(MainButton()->text(), "Switch to SERIAL");
  QCoreApplication::processEvents();
  EXPECT_TRUE(closer.seen.empty());  // no connect instructions
  window->close();
  EXPECT_FALSE(window->isVisible());
}

// A file that can't be written (a link into a folder that does not exist)
// gives a red line and the reason.
TEST_F(GuiConnectTest, SaveLogWritesTheLinesAsShownOrSaysWhyItCanNot) {
  std::filesystem::create_symlink(dir / "missing" / "log.txt", dir / "log.txt");
  Open();
  window->AppendLog("Com port opened", kBlack);
  window->AppendLog("Caf\xC3\xA9 au lait", kGreen);
  window->AppendLog("Timeout (Serial:420)", kRed);
  std::string offered;
  SaveLog(dir / "saved.txt", &offered);
  EXPECT_EQ(std::filesystem::path(offered), dir.Path() / "varnel-log.txt");

  const std::string expected = Part<QPlainTextEdit>("log")->toPlainText().toStdString();
  EXPECT_EQ(ReadText(dir / "saved.txt"), expected);
  EXPECT_NE(expected.find("] Caf\xC3\xA9 au lait\n"), std::string::npos) << expected;

  SaveLog(dir / "log.txt", &offered);
  const std::vector<ColouredLine> log = ColouredLog(*window);
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[3], ColouredLine("Can't save the log to " + (dir / "log.txt").string(), kRed));
  EXPECT_FALSE(log[4].first.empty());
  EXPECT_EQ(log[4].second, kGrey);
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

// TraceFile traces each connect as a session of its own: one after the
// other in the file, the line and the log (the trace's lines:
// tests/cli_process_test.cpp, tests/line_trace_test.cpp). A Varnel.ini
// that came with a folder from someone else can't make the trace write
// outside that folder (which names count: tests/config_location_test.cpp)
// or into a file the program reads:
// each gets a grey line, the connect goes on untraced, and after a connect
// and a disconnect nothing exists outside the folder. (Its port map can't
// make the port a file that is no serial device: tests/cli_session_test.cpp.)
TEST_F(GuiConnectTest, TraceFileTracesEachConnectInsideTheWorkingFolderOnly) {
  const std::filesystem::path outside = dir.Path().parent_path() / ("outside-" + dir.Path().filename().string());
  struct Case {
    std::string settings;
    ColouredLine line;  // the line that says where the trace goes, or why not
  };
  const std::vector<Case> kCases = {
      {"TraceFile=trace.txt", {"Line trace: " + (dir / "trace.txt").string(), kGrey}},
      {"TraceFile=../" + outside.filename().string(),
       {"No line trace: TraceFile=../" + outside.filename().string() +
            " ignored; a Varnel.ini in the working folder may name only a file in that folder",
        kGrey}},
      {"TraceFile=Varnel.res", {"No line trace: Varnel.res is a file the program reads or writes", kGrey}},
      {"TraceFile=link.txt", {"No line trace: can't write link.txt", kGrey}},
  };
  std::filesystem::create_symlink(outside, dir / "link.txt");
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.settings);
    StartHandset(c.settings + "\n");
    const auto packageBytes = std::filesystem::file_size(dir / "Varnel.res");
    Open();
    ConnectAndDisconnect();
    ConnectAndDisconnect();
    const std::vector<ColouredLine> log = ColouredLog(*window);
    EXPECT_NE(std::find(log.begin(), log.end(), c.line), log.end());
    EXPECT_FALSE(std::filesystem::exists(outside));
    EXPECT_EQ(std::filesystem::file_size(dir / "Varnel.res"), packageBytes);
  }
  const std::string trace = ReadText(dir / "trace.txt");
  EXPECT_TRUE(trace.starts_with("# Varnel line trace of COM1, ")) << trace;
  const auto count = [&](const std::string& text) {
    size_t found = 0;
    for (size_t at = trace.find(text); at != std::string::npos; at = trace.find(text, at + 1)) ++found;
    return found;
  };
  EXPECT_EQ(count("# Varnel line trace of COM1, "), 2u);
  EXPECT_EQ(count(" out    38400     6  41 54 2A 2A 33 0D  |AT**3.|\n"), 2u) << trace;
  EXPECT_EQ(count(" log   success " + std::string(kConnected) + "\n"), 2u);
  EXPECT_EQ(count(" close\n"), 2u);
}

}  // namespace
}  // namespace varnel::testing
