// Connect and disconnect through the main button against the simulated
// handset: the log's lines, their order and colours, the warnings shown on
// the GUI thread while the worker waits, a close while connected, a port
// that does not open. With VARNEL_SCREENSHOT set, the connected window is
// saved there as a PNG (scripts/screenshot.sh).
#include <signal.h>

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>

#include <array>
#include <cstdlib>
#include <functional>

#include "gui/log_view.h"
#include "gui/page_layout.h"
#include "gui/quit_signals.h"
#include "tests/gui_handset_test.h"
#include "texts/log_colour.h"

namespace varnel::testing {
namespace {

struct Expected {
  const char* text;
  LogColour colour;
};

class GuiConnectTest : public GuiHandsetTest {
 protected:
  void ExpectLog(const std::vector<Expected>& expected) {
    const std::vector<ShownLine> lines = LogLines(*window);
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i) {
      SCOPED_TRACE(lines[i].text);
      EXPECT_EQ(WithoutStamp(lines[i].text), expected[i].text);
      EXPECT_NE(WithoutStamp(lines[i].text), lines[i].text);  // stamped
      EXPECT_EQ(lines[i].colour, ToQColor(expected[i].colour));
      EXPECT_TRUE(lines[i].uniform);
    }
  }

  void SaveScreenshot() {
    const char* path = std::getenv("VARNEL_SCREENSHOT");
    const QPixmap shot = window->grab();
    EXPECT_EQ(shot.size(), window->size());
    if (path != nullptr) {
      EXPECT_TRUE(shot.save(QString::fromLocal8Bit(path), "PNG"));
    }
  }
};

TEST_F(GuiConnectTest, ConnectsAndDisconnectsThroughTheMainButton) {
  StartHandset();
  Open();
  Connect();
  ExpectLog({{"Using COM1, speed 115200, block 1024 bytes", kBlack},
             {"Com port opened", kBlack},
             {"Thread started", kGrey},
             {"Download Initiated", kBlack},
             {"Port speed 115200", kGrey},
             {kConnected, kGreen}});
  // The first line brought the log into view on the flash tab, and the
  // loader's readiness unlocked the panel (bar the size box there).
  EXPECT_EQ(Child<QTabWidget>(*window, "tabs")->currentIndex(), kFlasherTabIndex);
  EXPECT_TRUE(Child<QWidget>(*window, "log")->isVisible());
  EXPECT_TRUE(Child<QWidget>(*window, "flashPage")->findChild<QLineEdit*>()->isEnabled());
  EXPECT_TRUE(Child<QWidget>(*window, "progressBar")->isHidden());
  SaveScreenshot();

  MainButton()->click();
  WaitForClose();
  const std::vector<std::string> texts = LogTexts(*window);
  EXPECT_EQ(std::vector<std::string>(texts.end() - 2, texts.end()),
            (std::vector<std::string>{"Thread exit normally", kClosed}));
  EXPECT_EQ(LogLines(*window).back().colour, ToQColor(kBlack));
  EXPECT_FALSE(Child<QWidget>(*window, "flashPage")->findChild<QLineEdit*>()->isEnabled());
  ASSERT_TRUE(
      handset->WaitFor([](const sim::TranscriptData& d) { return d.stats.disconnects == 1; }, std::chrono::seconds(5)));
}

TEST_F(GuiConnectTest, ReconnectingAsSoonAsTheButtonReturnsJoinsTheOldWorker) {
  StartHandset();
  Open();
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    Connect();
    MainButton()->click();
    // The worker has called OnLinkClosed but may still be closing the port
    // and logging it while the GUI thread joins it for the next connect.
    ASSERT_TRUE(WaitUntil([&] { return MainButton()->text() == "Switch to SERIAL"; }));
    // The handset must have taken the disconnect packet off the line before
    // the port reopens, as a phone on a cable always has.
    const uint32_t disconnects = static_cast<uint32_t>(round + 1);
    ASSERT_TRUE(
        handset->WaitFor([disconnects](const sim::TranscriptData& d) { return d.stats.disconnects == disconnects; },
                         std::chrono::seconds(5)));
  }
  // The next connection starts from a cleared log.
  Connect();
  EXPECT_EQ(LogTexts(*window).front(), "Using COM1, speed 115200, block 1024 bytes");
}

TEST_F(GuiConnectTest, DestroyingTheWindowWhileConnectedEndsTheLink) {
  StartHandset();
  Open();
  Connect();
  window.reset();  // joins the worker, which disconnects the loader first
  ASSERT_TRUE(
      handset->WaitFor([](const sim::TranscriptData& d) { return d.stats.disconnects == 1; }, std::chrono::seconds(5)));
  // Only a real close writes the settings.
  EXPECT_EQ(ReadText(SettingsFile()), settingsBefore);
}

TEST_F(GuiConnectTest, WarningsShowOnTheGuiThreadWhileTheWorkerWaits) {
  StartHandset({}, "");
  Open();
  // What the log ends with when each warning appears.
  ModalCloser closer([&] { return LogTexts(*window).empty() ? "" : LogTexts(*window).back(); });
  Connect();
  ASSERT_TRUE(WaitUntil([&] { return closer.seen.size() == 2; }));
  EXPECT_EQ(closer.seen[0].caption, "Varnel");
  EXPECT_EQ(closer.seen[0].text,
            "1. Switch OFF your phone!\n2. Connect phone to flash cabel\n"
            "3. If it's not start automaticaly, press ON button and HOLD it until MessageBox appear!");
  EXPECT_EQ(closer.seen[0].probe, "Com port opened");  // before the worker started
  EXPECT_EQ(closer.seen[1].caption, "Varnel");
  EXPECT_EQ(closer.seen[1].text, "Phone switched to SERIAL mode, now you can flash or dump your data!");
  EXPECT_EQ(closer.seen[1].probe, kConnected);
  MainButton()->click();
  WaitForClose();
  EXPECT_EQ(closer.seen.size(), 2u);
}

TEST_F(GuiConnectTest, ClosingWhileConnectedDisconnectsAndWritesTheSettingsOnlyAtTheRealClose) {
  StartHandset();
  Open();
  Connect();
  window->close();
  EXPECT_TRUE(window->isVisible());
  WaitForClose();
  EXPECT_EQ(ReadText(SettingsFile()), settingsBefore);

  window->close();
  EXPECT_FALSE(window->isVisible());
  const std::string after = ReadText(SettingsFile());
  EXPECT_EQ(after.rfind(settingsBefore, 0), 0u) << after;
  EXPECT_NE(after.find("[Settings]\nOffset=0x1000000\n"), std::string::npos) << after;
  EXPECT_NE(after.find("LastTab=1\n"), std::string::npos) << after;
}

// The system's requests to end (the terminal closed, the session ending,
// kill) end the link as "Disconnect" does and close the window as a real
// close does, settings written.
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
    EXPECT_NE(ReadText(SettingsFile()).find("[Settings]\n"), std::string::npos);
    ++disconnects;
    EXPECT_TRUE(WaitUntil([&] { return handset->Transcript().stats.disconnects == disconnects; }));
  }
}

TEST_F(GuiConnectTest, DisconnectAndCloseEndAConnectThatBytesWithoutEndKeepAlive) {
  // A stop ends every wait within a fraction of a second; this only keeps
  // a wait that ignores it from passing.
  constexpr std::chrono::seconds kStopBound{5};
  struct Case {
    const char* what;
    std::function<void()> stop;
  };
  const std::array<Case, 2> kCases = {{
      {"Disconnect", [this] { MainButton()->click(); }},
      {"closing the window", [this] { window->close(); }},
  }};
  sim::FaultPlan faults;
  faults.babble = sim::Babble::kInsteadOfOk;  // "RING" lines, never "OK"
  StartHandset({}, kWarningsHidden, faults);
  Open();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    MainButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return handset->Transcript().stats.noiseSent > 200; }));
    c.stop();
    ASSERT_TRUE(WaitUntil([&] { return Logged(*window, kClosed); }, kStopBound));
    EXPECT_EQ(MainButton()->text(), "Switch to SERIAL");
    EXPECT_FALSE(Logged(*window, kConnected));
    handset->ClearTranscript();  // the next round counts its own bytes
  }
  EXPECT_TRUE(window->isVisible());  // the close only disconnected
}

TEST_F(GuiConnectTest, APortThatDoesNotOpenLeavesTheButtonIdle) {
  WriteText(SettingsFile(),
            "[Settings]\nComPort=12\nComSpeed=57600\n[Ports]\nCOM12=" + (dir / "no-such-device").string() + "\n");
  Open();
  ModalCloser closer;
  MainButton()->click();
  const std::vector<ShownLine> lines = LogLines(*window);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(WithoutStamp(lines[0].text), "Using COM12, speed 57600, block 1024 bytes");
  EXPECT_EQ(lines[1].colour, ToQColor(kRed));
  EXPECT_EQ(MainButton()->text(), "Switch to SERIAL");
  QCoreApplication::processEvents();
  EXPECT_TRUE(closer.seen.empty());  // no connect instructions
  window->close();
  EXPECT_FALSE(window->isVisible());
}

}  // namespace
}  // namespace varnel::testing
