// The log and the line on files through the window: File -> Save log...
// writes the lines as shown, a file that can't be written gives a red line
// and the reason; TraceFile in the settings file traces each connect,
// appended session by session, and one a copied settings file may not name
// leaves the connect untraced with a grey line.
#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

#include "gui/log_view.h"
#include "tests/gui_handset_test.h"

namespace varnel::testing {
namespace {

class GuiLogFileTest : public GuiHandsetTest {
 protected:
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
    QMenu* file = window->findChild<QMenuBar*>()->actions().front()->menu();
    file->actions().front()->trigger();
    ASSERT_TRUE(dialog.Done());
  }
};

// A file that can't be written (a link into a folder that does not exist)
// gives a red line and the reason.
TEST_F(GuiLogFileTest, SaveLogWritesTheLinesAsShownOrSaysWhyItCanNot) {
  std::filesystem::create_symlink(dir / "missing" / "log.txt", dir / "log.txt");
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

  SaveLog(dir / "log.txt", &offered);
  const std::vector<ShownLine> lines = LogLines(*window);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(WithoutStamp(lines[3].text), "Can't save the log to " + (dir / "log.txt").string());
  EXPECT_EQ(lines[3].colour, ToQColor(kRed));
  EXPECT_FALSE(WithoutStamp(lines[4].text).empty());
  EXPECT_EQ(lines[4].colour, ToQColor(kGrey));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

// ---- The line trace ----

TEST_F(GuiLogFileTest, TraceFileTracesEachConnectAsASessionOfItsOwn) {
  StartHandset("TraceFile=trace.txt\n");
  Open();
  ConnectAndDisconnect();
  EXPECT_TRUE(Logged(*window, "Line trace: " + (dir / "trace.txt").string()));
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

// A Varnel.ini that came with a folder from someone else can't make the
// trace write outside that folder or into a file the program reads, nor
// make the port a file that is no serial device: each gets a grey line,
// the connect goes on untraced (or, for the port, does not start), and
// after a connect and a disconnect nothing exists outside the folder.
TEST_F(GuiLogFileTest, ASettingsFileOfTheWorkingFolderKeepsTheTraceAndThePortInIt) {
  const std::filesystem::path outside = dir.Path().parent_path() / ("outside-" + dir.Path().filename().string());
  const std::string absolute = outside.string();
  struct Case {
    std::string settings;
    std::string line;  // the grey line that says why
    bool connects;
  };
  const std::vector<Case> kCases = {
      {"TraceFile=../" + outside.filename().string(),
       "No line trace: TraceFile=../" + outside.filename().string() +
           " ignored; a Varnel.ini in the working folder may name only a file in that folder",
       true},
      {"TraceFile=" + absolute,
       "No line trace: TraceFile=" + absolute +
           " ignored; a Varnel.ini in the working folder may name only a file in that folder",
       true},
      {"TraceFile=Varnel.res", "No line trace: Varnel.res is a file the program reads or writes", true},
      {"TraceFile=link.txt", "No line trace: can't write link.txt", true},
      {"ComPort=2\nTraceFile=../x\n[Ports]\nCOM2=" + absolute + ";curl x|sh;#",
       "Port map entry COM2=" + absolute + ";curl x|sh;# ignored: no serial device there", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.settings);
    StartHandset(c.settings + "\n");
    std::filesystem::remove(dir / "link.txt");
    std::filesystem::create_symlink(outside, dir / "link.txt");
    const auto packageBytes = std::filesystem::file_size(dir / "Varnel.res");
    Open();
    if (c.connects) {
      ConnectAndDisconnect();
    } else {
      Child<QPushButton>(*window, "mainButton")->click();
      EXPECT_TRUE(Logged(*window, "Can't open port (11) (Serial:142)"));
    }
    const std::vector<std::string> texts = LogTexts(*window);
    const auto line = std::find(texts.begin(), texts.end(), c.line);
    ASSERT_NE(line, texts.end());
    EXPECT_EQ(LogLines(*window)[static_cast<size_t>(line - texts.begin())].colour, ToQColor(kGrey));
    EXPECT_FALSE(std::filesystem::exists(outside));
    EXPECT_FALSE(std::filesystem::exists(dir.Path().parent_path() / "x"));
    EXPECT_EQ(std::filesystem::file_size(dir / "Varnel.res"), packageBytes);
  }
}

}  // namespace
}  // namespace varnel::testing
