// The log and the progress display: the rules of a log line, one colour
// per line, the tab switches that bring the log into view, the newest line
// kept in view, the progress arithmetic with its 16-bit range, and the
// progress texts as a screen reader reads them.
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>

#include <array>

#include "gui/log_view.h"
#include "gui/page_layout.h"
#include "gui/progress_scale.h"
#include "tests/gui_test_support.h"
#include "texts/log_colour.h"

namespace varnel::testing {
namespace {

class GuiLogTest : public GuiTest {
 protected:
  QTabWidget* Tabs() { return Child<QTabWidget>(*window, "tabs"); }
  QProgressBar* Bar() { return Child<QProgressBar>(*window, "progressBar"); }
  QString Counter() { return Child<QLabel>(*window, "counter")->text(); }
  // The status text and the counter as shown, and as a screen reader reads them.
  void ExpectRead(const char* status, const char* counter) {
    for (const auto& [name, text] : {std::pair{"statusText", status}, std::pair{"counter", counter}}) {
      SCOPED_TRACE(name);
      auto* label = Child<QLabel>(*window, name);
      EXPECT_EQ(label->text().toStdString(), text);
      EXPECT_EQ(AccessibleName(label), text);
    }
  }
  bool ProgressShown() {
    return !Bar()->isHidden() && !Child<QWidget>(*window, "statusText")->isHidden() &&
           !Child<QWidget>(*window, "counter")->isHidden();
  }
};

TEST_F(GuiLogTest, EachTextBecomesOneStampedLineOrNone) {
  struct Case {
    const char* text;
    std::vector<std::string> lines;  // as shown, stamp removed from the first
  };
  const std::array<Case, 7> kCases = {{
      {"", {}},
      {"   ", {}},
      {" \t\r\n\v\f", {}},
      {"Thread started", {"Thread started"}},
      {"  padded\t ", {"padded"}},
      {"ends in a break\r\n", {"ends in a break"}},
      {"first\r\nsecond", {"first\\r\\nsecond"}},  // a break inside stays visible
  }};
  MainWindow& shown = Open();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    shown.ClearLog();
    shown.AppendLog(c.text, kGrey);
    const std::vector<ShownLine> lines = LogLines(shown);
    ASSERT_EQ(lines.size(), c.lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
      // One stamp, at the start of the entry only.
      const std::string expected = i == 0 ? WithoutStamp(lines[i].text) : lines[i].text;
      EXPECT_EQ(expected, c.lines[i]);
      EXPECT_EQ(WithoutStamp(lines[i].text) != lines[i].text, i == 0);
    }
  }
  // Each entry ends in exactly one line break: no empty line between two.
  shown.ClearLog();
  shown.AppendLog("one\r\n", kBlack);
  shown.AppendLog("two", kBlack);
  EXPECT_EQ(LogTexts(shown), (std::vector<std::string>{"one", "two"}));
  shown.ClearLog();
  EXPECT_TRUE(LogLines(shown).empty());
}

TEST_F(GuiLogTest, TheWholeLineHasItsColour) {
  MainWindow& shown = Open();
  constexpr std::array<LogColour, 4> kColours = {kBlack, kGrey, kGreen, kRed};
  for (LogColour colour : kColours) shown.AppendLog("a line", colour);
  const std::vector<ShownLine> lines = LogLines(shown);
  ASSERT_EQ(lines.size(), kColours.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].colour, ToQColor(kColours[i]));
    EXPECT_TRUE(lines[i].uniform);
  }
  EXPECT_EQ(ToQColor(kRed), QColor(0xFF, 0, 0));
  EXPECT_EQ(ToQColor(kGreen), QColor(0x32, 0xC8, 0x32));
  EXPECT_EQ(ToQColor(0x123456), QColor(0x56, 0x34, 0x12));
}

TEST_F(GuiLogTest, ALogLineBringsTheLogIntoView) {
  struct Case {
    int before;
    int after;
  };
  constexpr std::array<Case, 4> kCases = {{{kInstructionTabIndex, kFlasherTabIndex},
                                           {kFlasherTabIndex, kFlasherTabIndex},
                                           {kDumperTabIndex, kDumperTabIndex},
                                           {kPatcherTabIndex, kDumperTabIndex}}};
  MainWindow& shown = Open();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.before);
    Tabs()->setCurrentIndex(c.before);
    shown.AppendLog("   ", kBlack);  // adds nothing, switches nothing
    EXPECT_EQ(Tabs()->currentIndex(), c.before);
    shown.AppendLog("line", kBlack);
    EXPECT_EQ(Tabs()->currentIndex(), c.after);
    EXPECT_TRUE(Child<QWidget>(shown, "log")->isVisible());
  }
}

TEST_F(GuiLogTest, TheNewestLineStaysInView) {
  MainWindow& shown = Open();
  QScrollBar* bar = Child<QPlainTextEdit>(shown, "log")->verticalScrollBar();
  constexpr int kLines = 300;
  for (int i = 0; i < kLines; ++i) shown.AppendLog(("line " + std::to_string(i)).c_str(), kGrey);
  QCoreApplication::processEvents();
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_EQ(LogLines(shown).size(), static_cast<size_t>(kLines));
}

// The progress display, its texts read by a screen reader as they are
// shown and as they change.
TEST_F(GuiLogTest, ProgressFollowsTheExamples) {
  MainWindow& shown = Open();
  shown.BeginProgress(nullptr, "Receiving...", 8388608, 128, kGrey);
  EXPECT_TRUE(ProgressShown());
  EXPECT_EQ(Bar()->minimum(), 0);
  EXPECT_EQ(Bar()->maximum(), 65535);
  EXPECT_EQ(Bar()->value(), 0);
  ExpectRead("Receiving...", "0/8388608");
  EXPECT_TRUE(LogLines(shown).empty());

  shown.StepProgress(1024, 128);
  EXPECT_EQ(Bar()->value(), 7);
  ExpectRead("Receiving...", "1024/8388608");
  shown.StepProgress(100, 128);
  EXPECT_EQ(Bar()->value(), Bar()->minimum());  // empty
  EXPECT_EQ(Counter(), "100/8388608");

  shown.EndProgress(nullptr, kBlack);
  EXPECT_FALSE(ProgressShown());
  EXPECT_TRUE(LogLines(shown).empty());
  EXPECT_EQ(Counter(), "100/8388608");  // kept until the next begin

  shown.BeginProgress("Send started", "Sending...", 4096, 4, kGrey);
  ExpectRead("Sending...", "0/4096");
  shown.EndProgress("Send finished!", kGrey);
  EXPECT_EQ(LogTexts(shown), (std::vector<std::string>{"Send started", "Send finished!"}));
  EXPECT_FALSE(ProgressShown());
}

// Once a transfer has run for a moment, the status text carries its rate
// and time left after the link's text, and reads out the same.
TEST_F(GuiLogTest, TheStatusTextShowsTheRateAndTimeLeft) {
  MainWindow& shown = Open();
  auto* label = Child<QLabel>(shown, "statusText");
  shown.BeginProgress(nullptr, "Receiving...", 0x10000000, 128, kGrey);
  uint32_t done = 0;
  const bool rated = WaitUntil([&] {
    shown.StepProgress(done += 128, 128);
    return label->text().contains(QStringLiteral(" left"));
  });
  ASSERT_TRUE(rated) << label->text().toStdString();
  const QRegularExpression form(QStringLiteral(R"(^Receiving\.\.\. \d+\.\d KiB/s, \d+:\d\d left$)"));
  EXPECT_TRUE(form.match(label->text()).hasMatch()) << label->text().toStdString();
  EXPECT_EQ(AccessibleName(label), label->text().toStdString());
  // A new transfer starts with its bare text again.
  shown.BeginProgress(nullptr, "Transmitting...", 4096, 128, kGrey);
  EXPECT_EQ(label->text(), QStringLiteral("Transmitting..."));
}

TEST(ProgressScaleTest, RangeAndPositionAreHeldIn16Bits) {
  struct Case {
    uint32_t total;
    uint32_t unit;
    uint16_t upper;
  };
  constexpr std::array<Case, 7> kCases = {{
      {8388608, 128, 65535},  // 8 MiB: one step per unit
      {0x500000, 128, 40959},
      {0xC00000, 128, 32767},  // 12 MiB: the bound wraps to 16 bits
      {4096, 4, 1023},
      {128, 128, 0},
      {100, 128, 65535},  // under one unit: -1 in 16 bits
      {1000, 0, 999},     // a unit of 0 counts as 1
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.total);
    EXPECT_EQ(ProgressUpperBound(c.total, c.unit), c.upper);
  }
  EXPECT_EQ(ProgressPosition(1024, 128, 65535), 7);
  EXPECT_EQ(ProgressPosition(100, 128, 65535), 0);
  EXPECT_EQ(ProgressPosition(0, 128, 65535), 0);
  EXPECT_EQ(ProgressPosition(0xFFFFFFFF, 1, 1000), 1000);  // held at the bound
  EXPECT_EQ(ProgressPosition(10, 0, 1000), 9);
  EXPECT_EQ(ProgressCounterText(0, 8388608), "0/8388608");
  EXPECT_EQ(ProgressCounterText(4000000000u, 4294967295u), "4000000000/4294967295");
}

}  // namespace
}  // namespace varnel::testing
