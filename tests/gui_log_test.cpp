// The log and the progress display: the rules of a log line, one colour
// per line, the tab switches that bring the log into view, the newest line
// kept in view, the progress arithmetic with its 16-bit range, and the
// progress texts as a screen reader reads them.
#include "gui/progress_scale.h"
#include "tests/gui_test_support.h"

namespace varnel::testing {
namespace {

class GuiLogTest : public GuiTest {
 protected:
  QProgressBar* Bar() { return Part<QProgressBar>("progressBar"); }
  QString Counter() { return Part<QLabel>("counter")->text(); }
  // The status text and the counter as shown, and as a screen reader reads them.
  void ExpectRead(const char* status, const char* counter) {
    for (const auto& [name, text] : {std::pair{"statusText", status}, std::pair{"counter", counter}}) {
      SCOPED_TRACE(name);
      auto* label = Part<QLabel>(name);
      EXPECT_EQ(label->text().toStdString(), text);
      EXPECT_EQ(AccessibleName(label), text);
    }
  }
  bool ProgressShown() { return !Bar()->isHidden() && !Part("statusText")->isHidden() && !Part("counter")->isHidden(); }
};

TEST_F(GuiLogTest, EachTextBecomesOneStampedLineOfItsColourOrNone) {
  struct Case {
    const char* text;
    LogColour colour;
    std::vector<ColouredLine> lines;  // as shown, stamps removed
  };
  const std::array<Case, 7> kCases = {{
      {"", kBlack, {}},
      {"   ", kBlack, {}},
      {" \t\r\n\v\f", kGrey, {}},
      {"Thread started", kGrey, {{"Thread started", kGrey}}},
      {"  padded\t ", kBlack, {{"padded", kBlack}}},
      {"ends in a break\r\n", kGreen, {{"ends in a break", kGreen}}},
      {"first\r\nsecond", kRed, {{"first\\r\\nsecond", kRed}}},  // a break inside stays visible
  }};
  MainWindow& shown = Open();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    shown.ClearLog();
    shown.AppendLog(c.text, c.colour);
    EXPECT_EQ(ColouredLog(shown), c.lines);
  }
  // The colours' bytes are blue, green, red from the top.
  EXPECT_EQ(ToQColor(0x123456), QColor(0x56, 0x34, 0x12));
  EXPECT_EQ(ToQColor(kRed), QColor(Qt::red));
  // Each entry ends in exactly one line break: no empty line between two.
  shown.ClearLog();
  shown.AppendLog("one\r\n", kBlack);
  shown.AppendLog("two", kBlack);
  EXPECT_EQ(LogTexts(shown), (std::vector<std::string>{"one", "two"}));
}

TEST_F(GuiLogTest, ALogLineBringsTheLogIntoViewAndTheNewestLineStaysThere) {
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
    SelectTab(c.before);
    shown.AppendLog("   ", kBlack);  // adds nothing, switches nothing
    EXPECT_EQ(Tabs()->currentIndex(), c.before);
    shown.AppendLog("line", kBlack);
    EXPECT_EQ(Tabs()->currentIndex(), c.after);
    EXPECT_TRUE(Part("log")->isVisible());
  }
  // The newest line stays in view.
  shown.ClearLog();
  QScrollBar* bar = Part<QPlainTextEdit>("log")->verticalScrollBar();
  constexpr int kLines = 300;
  for (int i = 0; i < kLines; ++i) shown.AppendLog(("line " + std::to_string(i)).c_str(), kGrey);
  QCoreApplication::processEvents();
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_EQ(ColouredLog(shown).size(), static_cast<size_t>(kLines));
}

// The progress display, its texts read by a screen reader as they are
// shown and as they change. Once a transfer has run for a moment, the
// status text carries its rate and time left after the link's text.
TEST_F(GuiLogTest, ProgressFollowsTheExamplesAndShowsTheRateAndTimeLeft) {
  MainWindow& shown = Open();
  shown.BeginProgress(nullptr, "Receiving...", 8388608, 128, kGrey);
  EXPECT_TRUE(ProgressShown());
  EXPECT_EQ(Bar()->minimum(), 0);
  EXPECT_EQ(Bar()->maximum(), 65535);
  EXPECT_EQ(Bar()->value(), 0);
  ExpectRead("Receiving...", "0/8388608");
  shown.StepProgress(1024, 128);
  EXPECT_EQ(Bar()->value(), 7);
  ExpectRead("Receiving...", "1024/8388608");
  shown.StepProgress(100, 128);
  EXPECT_EQ(Bar()->value(), Bar()->minimum());  // empty
  EXPECT_EQ(Counter(), "100/8388608");
  shown.EndProgress(nullptr, kBlack);
  EXPECT_FALSE(ProgressShown());
  EXPECT_TRUE(ColouredLog(shown).empty());
  EXPECT_EQ(Counter(), "100/8388608");  // kept until the next begin

  auto* label = Part<QLabel>("statusText");
  shown.BeginProgress(nullptr, "Receiving...", 0x10000000, 128, kGrey);
  uint32_t done = 0;
  ASSERT_TRUE(WaitUntil([&] {
    shown.StepProgress(done += 128, 128);
    return label->text().contains(QStringLiteral(" left"));
  })) << label->text().toStdString();
  const QRegularExpression form(QStringLiteral(R"(^Receiving\.\.\. \d+\.\d KiB/s, \d+:\d\d left$)"));
  EXPECT_TRUE(form.match(label->text()).hasMatch()) << label->text().toStdString();
  EXPECT_EQ(AccessibleName(label), label->text().toStdString());

  // A new transfer starts with its bare text again.
  shown.BeginProgress("Send started", "Sending...", 4096, 4, kGrey);
  ExpectRead("Sending...", "0/4096");
  shown.EndProgress("Send finished!", kGrey);
  EXPECT_EQ(LogTexts(shown), (std::vector<std::string>{"Send started", "Send finished!"}));
  EXPECT_FALSE(ProgressShown());
}

TEST(ProgressScaleTest, RangeAndPositionAreHeldIn16Bits) {
  struct Case {
    uint32_t total;
    uint32_t unit;
    uint16_t upper;
  };
  constexpr std::array<Case, 6> kCases = {{
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
  // 8 MiB in units of 128 bytes: the progress test above.
  EXPECT_EQ(ProgressPosition(0, 128, 65535), 0);
  EXPECT_EQ(ProgressPosition(0xFFFFFFFF, 1, 1000), 1000);  // held at the bound
  EXPECT_EQ(ProgressPosition(10, 0, 1000), 9);
  EXPECT_EQ(ProgressCounterText(4000000000u, 4294967295u), "4000000000/4294967295");
}

}  // namespace
}  // namespace varnel::testing
