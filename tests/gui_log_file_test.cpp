// The log and the line on files through the window: File -> Save log...
// writes the lines as shown, a file that can't be written gives a red line
// and the reason; TraceFile in the settings file traces each connect,
// appended session by session, and one that can't be written leaves the
// connect untraced with a grey line.
#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

#include "gui/log_view.h"
#include "tests/gui_handset_test.h"

namespace varnel::testing {
namespace {

constexpr char kConnected[] = "Phone switched to serial mode!";
constexpr char kClosed[] = "Com port closed";

class GuiLogFileTest : public GuiHandsetTest {
 protected:

  // Connects with the main button and disconnects again.
  void ConnectAndDisconnect() {
    Child<QPushButton>(*window, "mainButton")->click();
    ASSERT_TRUE(WaitUntil([&] { return Logged(*window, kConnected); }));
    Child<QPushButton>(*window, "mainButton")->click();
    ASSERT_TRUE(WaitUntil([&] { return Logged(*window, kClosed); }));
  }

  // Chooses File -> Save log... and, in its dialog, `path`; `offered`
  // gets the file the dialog offered first.
  void SaveLog(const std::filesystem::path& path, std::string* offered) {
    OnModal<QFileDialog> dialog([&](QFileDialog& d) {
      *offered = d.selectedFiles().value(0).toStdString();
      TypeAndAccept(d, path);
    });
    QMenu* file = window->findChild<QMenuBar*>()->actions().front()->menu();
    file->actions().front()->trigger();
    ASSERT_TRUE(dialog.Done());
  }

};

TEST_F(GuiLogFileTest, SaveLogWritesTheLinesAsShown) {
  Open();
  window->AppendLog("Com port opened", kBlack);
  window->AppendLog("Caf\xC3\xA9 au lait", kGreen);
  window->AppendLog("Timeout (Serial:420)", kRed);
  std::string offered;
  SaveLog(dir / "saved.txt", &offered);
  EXPECT_EQ(std::filesystem::path(offered), dir.Path() / "varnel-log.txt");

  std::string expected;
  for (const ShownLine& line : LogLines(*window)) expected += line.text + "\n";
  EXPECT_EQ(LogLines(*window).size(), 3u);
  EXPECT_EQ(ReadText(dir / "saved.txt"), expected);
  EXPECT_NE(expected.find("] Caf\xC3\xA9 au lait\n"), std::string::npos) << expected;
}

// ---- Errors ----

TEST_F(GuiLogFileTest, ALogThatCanNotBeSavedGivesARedLineAndTheReason) {
  // A link into a folder that does not exist: no one can write there.
  std::filesystem::create_symlink(dir / "missing" / "log.txt", dir / "log.txt");
  Open();
  window->AppendLog("Com port opened", kBlack);
  std::string offered;
  SaveLog(dir / "log.txt", &offered);
  const std::vector<ShownLine> lines = LogLines(*window);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(WithoutStamp(lines[1].text), "Can't save the log to " + (dir / "log.txt").string());
  EXPECT_EQ(lines[1].colour, ToQColor(kRed));
  EXPECT_FALSE(WithoutStamp(lines[2].text).empty());
  EXPECT_EQ(lines[2].colour, ToQColor(kGrey));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

// ---- The line trace ----

TEST_F(GuiLogFileTest, TraceFileTracesEachConnectAsASessionOfItsOwn) {
  StartHandset("TraceFile=trace.txt\n");
  Open();
  ConnectAndDisconnect();
  ConnectAndDisconnect();
  const std::string trace = ReadText(dir / "trace.txt");
  EXPECT_TRUE(trace.starts_with("# Varnel line trace of COM1, ")) << trace;
  const auto count = [&](const std::string& text) {
    size_t found = 0;
    for (size_t at = trace.find(text); at != std::string::npos; at = trace.find(text, at + 1)) ++found;
    return found;
  };
  EXPECT_EQ(count("# Varnel line trace of COM1, "), 2u);
  EXPECT_EQ(count(" open  " + handset->SlavePath() + "\n"), 2u);
  EXPECT_EQ(count(" out    38400     6  41 54 2A 2A 33 0D  |AT**3.|\n"), 2u) << trace;
  EXPECT_EQ(count(" log   success " + std::string(kConnected) + "\n"), 2u);
  EXPECT_EQ(count(" close\n"), 2u);
  EXPECT_TRUE(trace.ends_with(" close\n"));
}

TEST_F(GuiLogFileTest, ATraceFileThatCanNotBeWrittenLeavesTheConnectUntraced) {
  StartHandset("TraceFile=missing/trace.txt\n");
  Open();
  ConnectAndDisconnect();
  const std::vector<ShownLine> lines = LogLines(*window);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(WithoutStamp(lines[0].text), "No line trace: can't write missing/trace.txt");
  EXPECT_EQ(lines[0].colour, ToQColor(kGrey));
  EXPECT_EQ(lines[1].colour, ToQColor(kGrey));
  EXPECT_TRUE(Logged(*window, kConnected));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

}  // namespace
}  // namespace varnel::testing
