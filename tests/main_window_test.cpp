// The main window at start-up, its page layout per tab, the controls each
// state of the link unlocks, the keys it ignores, and the program's icon
// (the region panel's presets and the settings, the tab shown at start-up
// among them, have tests of their own). Keyboard use and names for screen
// readers: Tab visits every control of the shown page in reading order,
// every control that takes the focus, in the main window and in the
// dialogs, has an accessible name, and controls with words of their own
// read out those words. Holds the GUI tests' main(), which runs them
// offscreen.
#include "gui/program_icon.h"
#include "pages/about_dialog.h"
#include "pages/options_dialog.h"
#include "tests/gui_test_support.h"

namespace varnel::testing {
namespace {

// A bound on a round of Tab presses, well above the controls of a page.
constexpr int kMostTabStops = 40;

// Controls of `root` that Tab can reach, shown or not, with no name.
std::vector<std::string> Unnamed(QWidget& root) {
  std::vector<std::string> unnamed;
  for (QWidget* widget : root.findChildren<QWidget*>()) {
    if ((widget->focusPolicy() & Qt::TabFocus) == 0 || widget->focusProxy() != nullptr) continue;
    if (AccessibleName(widget).empty()) {
      unnamed.push_back(std::string(widget->metaObject()->className()) + " " + widget->objectName().toStdString());
    }
  }
  return unnamed;
}

// Controls of `root` that show words of their own (buttons, check boxes,
// frames) but read out something else, with what they read.
std::vector<std::string> ReadOtherThanShown(QWidget& root) {
  std::vector<std::pair<QWidget*, QString>> captioned;
  for (QAbstractButton* button : root.findChildren<QAbstractButton*>()) captioned.emplace_back(button, button->text());
  for (QGroupBox* frame : root.findChildren<QGroupBox*>()) captioned.emplace_back(frame, frame->title());
  std::vector<std::string> wrong;
  for (auto [control, caption] : captioned) {
    caption.remove(QLatin1Char('&'));
    const bool hasWords = std::any_of(caption.begin(), caption.end(), [](QChar c) { return c.isLetterOrNumber(); });
    if (hasWords && AccessibleName(control) != caption.toStdString()) {
      wrong.push_back(control->objectName().toStdString() + " reads " + AccessibleName(control));
    }
  }
  return wrong;
}

class MainWindowTest : public GuiTest {
 protected:
  // Which of the preset, offset and size frames and the flash and dump
  // pages' file boxes take input, as 1 and 0 in that order.
  std::string Unlocked() {
    std::string unlocked;
    for (const char* part : {"presetFrame", "offsetFrame", "sizeFrame"})
      unlocked += Part(part)->isEnabled() ? '1' : '0';
    for (const char* page : {"flashPage", "dumpPage"}) unlocked += FileBox(page)->isEnabled() ? '1' : '0';
    return unlocked;
  }

  // The names of the controls Tab visits from the main button until it
  // comes back there.
  std::vector<std::string> TabRound() {
    QWidget* start = MainButton();
    start->setFocus(Qt::TabFocusReason);
    std::vector<std::string> names;
    for (int i = 0; i < kMostTabStops; ++i) {
      QWidget* focus = QApplication::focusWidget();
      if (focus == nullptr) break;
      names.push_back(AccessibleName(focus));
      QTest::keyPress(focus, Qt::Key_Tab);
      if (QApplication::focusWidget() == start) break;
    }
    return names;
  }
};

// Enter and Escape do nothing, on the window or on the main button.
TEST_F(MainWindowTest, StartsIdleWithTheControlsLockedNoProgressAFixedSizeAndTheThreeMenus) {
  MainWindow& shown = Open();
  for (QWidget* target : {static_cast<QWidget*>(&shown), Part("mainButton")}) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) QTest::keyClick(target, key);
  }
  QCoreApplication::processEvents();
  EXPECT_TRUE(shown.isVisible());
  EXPECT_TRUE(LogTexts(shown).empty());  // the main button was not pressed
  EXPECT_EQ(shown.windowTitle(), "Varnel");
  EXPECT_EQ(MainButton()->text(), "Switch to SERIAL");
  for (const char* name : {"progressBar", "statusText", "counter"}) EXPECT_TRUE(Part(name)->isHidden()) << name;
  EXPECT_EQ(Unlocked(), "00000");
  // The tabs' captions and order are read out by the keyboard tests, the
  // default region and file names by the settings tests.
  EXPECT_EQ(Tabs()->count(), kTabCount);
  EXPECT_EQ(Tabs()->currentIndex(), kInstructionTabIndex);
  EXPECT_FALSE(Part("log")->isVisible());
  EXPECT_TRUE(
      Part("instructionPage")->findChild<QLabel*>()->text().startsWith("Welcome to \"Varnel\"!\n\nBefore flashing"));
  EXPECT_EQ(shown.minimumSize(), shown.maximumSize());
  EXPECT_FALSE(shown.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(shown.windowFlags() & Qt::WindowMinimizeButtonHint);
  std::vector<std::string> menu;
  for (QAction* top : shown.findChild<QMenuBar*>()->actions()) {
    menu.push_back(top->text().toStdString());
    for (QAction* item : top->menu()->actions()) menu.push_back(item->text().toStdString());
  }
  EXPECT_EQ(menu, (std::vector<std::string>{"File", "Save log...", "Exit", "Tools", "Options...",
                                            "Back up the handset...", "Restore a backup...", "Help", "About"}));
}

// The layout of the reference font, pixel for pixel as the window system
// lays out the original: the tab control at (5, 40) with 5-pixel margins,
// on the transfer tabs above a log of client height L and 1-pixel edges.
TEST(PageLayoutTest, MatchesTheReferenceLayoutAndScalesWithTheFont) {
  const DialogUnits reference(6, 13);
  const QSize client(reference.X(304), reference.Y(201));
  const int w = client.width();
  const int h = client.height();
  const int l = reference.Y(kLogHeightUnits) - 2;
  for (int tab : {kFlasherTabIndex, kDumperTabIndex, kInstructionTabIndex, kPatcherTabIndex, 7}) {
    SCOPED_TRACE(tab);
    const PageLayout layout = LayOutPage(tab, client, reference);
    const bool logShown = tab == kFlasherTabIndex || tab == kDumperTabIndex;
    EXPECT_EQ(layout.logShown, logShown);
    EXPECT_EQ(layout.tabs, QRect(5, 40, w - 10, logShown ? h - 52 - l : h - 45));
    if (!logShown) continue;
    EXPECT_EQ(layout.log, QRect(5, layout.tabs.bottom() + 1 + 5, w - 10, l + 2));
    EXPECT_EQ(layout.log.bottom() + 1, h - 5);
  }
  const PageLayout big = LayOutPage(kDumperTabIndex, client * 2, DialogUnits(12, 26));
  const PageLayout small = LayOutPage(kDumperTabIndex, client, reference);
  EXPECT_EQ(big.tabs, QRect(small.tabs.topLeft() * 2, small.tabs.size() * 2));
  EXPECT_EQ(big.log, QRect(small.log.topLeft() * 2, small.log.size() * 2));
}

// Each row selects its tab, then brings the link's state (or keeps the
// last one). A flash takes its size from the file: its tab leaves the size
// locked. Locked stays locked whatever the tab.
TEST_F(MainWindowTest, EachStateOfTheLinkLocksOrUnlocksThePanelAndThePages) {
  struct Case {
    const char* what;
    std::function<void(MainWindow&)> state;
    int tab;
    const char* unlocked;
  };
  const std::array<Case, 5> kCases = {{
      {"ready", [](MainWindow& w) { w.OnLoaderReady(); }, kFlasherTabIndex, "11011"},
      {"ready", [](MainWindow&) {}, kDumperTabIndex, "11111"},
      {"busy", [](MainWindow& w) { w.OnLinkBusy(); }, kFlasherTabIndex, "00000"},
      {"busy", [](MainWindow&) {}, kDumperTabIndex, "00000"},
      {"closed",
       [](MainWindow& w) {
         w.SetButtonMode(ButtonMode::Connected);
         w.OnLoaderReady();
         w.OnLinkClosed();
       },
       kDumperTabIndex, "00000"},
  }};
  Open();
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.what) + " on tab " + std::to_string(c.tab));
    SelectTab(c.tab);
    c.state(*window);
    EXPECT_EQ(Unlocked(), c.unlocked);
  }
  EXPECT_EQ(MainButton()->text(), "Switch to SERIAL");
}

// Every size of the icon the package installs is carried in the program
// and loads as a picture of that size.
TEST(ProgramIconTest, EverySizeIsCarriedAndLoads) {
  EXPECT_EQ(ProgramIcon().availableSizes().size(), static_cast<qsizetype>(std::size(kProgramIconSizes)));
  for (int size : kProgramIconSizes) {
    EXPECT_EQ(QPixmap(QStringLiteral(":/icons/varnel-%1.png").arg(size)).size(), QSize(size, size)) << size;
  }
}

// The tab bar reads as its current tab. Tab enters the presets at the
// checked one, as for any group of exclusive choices; the arrow keys move
// between them.
TEST_F(MainWindowTest, TabVisitsTheShownControlsInReadingOrderAndEachControlReadsOutItsName) {
  OpenActive();
  window->OnLoaderReady();
  struct Case {
    int tab;
    std::vector<std::string> order;
  };
  const std::array<Case, 4> kCases = {{
      {kInstructionTabIndex, {"Switch to SERIAL", "Instruction", "Instruction"}},
      // The size is not asked for on the flash tab: its box is disabled.
      {kFlasherTabIndex,
       {"Switch to SERIAL", "Flasher", "System BIN (8 Mb)", "Offset", "File name", "Browse", "Verify", "Flash!!!",
        "Log"}},
      {kDumperTabIndex,
       {"Switch to SERIAL", "Dumper", "System BIN (8 Mb)", "Offset", "Size", "File name", "Browse", "Dump!!!", "Log"}},
      {kPatcherTabIndex, {"Switch to SERIAL", "Patcher DB", "Patch files", "Button1"}},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.tab);
    SelectTab(c.tab);
    EXPECT_EQ(TabRound(), c.order);
  }
  // The arrow keys among the presets: tests/gui_region_panel_test.cpp;
  // Alt into the menu: tests/wine_gui_test.cpp, on the window system.

  // Every control has a name; one set on a control with words of its own
  // would be read in their place, and would not follow them when they
  // change.
  EXPECT_EQ(AccessibleName(MainButton()), "Switch to SERIAL");
  window->SetButtonMode(ButtonMode::Connected);
  EXPECT_EQ(AccessibleName(MainButton()), "Disconnect");
  window->SetButtonMode(ButtonMode::Idle);
  OptionsDialog options(app, {}, SettingsFile());
  WarningDialog warning(app, text::kConnectInstructions);
  AboutDialog about(app);
  for (QWidget* root : {static_cast<QWidget*>(window.get()), static_cast<QWidget*>(&options),
                        static_cast<QWidget*>(&warning), static_cast<QWidget*>(&about)}) {
    SCOPED_TRACE(root->metaObject()->className());
    EXPECT_EQ(Unnamed(*root), std::vector<std::string>());
    EXPECT_EQ(ReadOtherThanShown(*root), std::vector<std::string>());
  }
  EXPECT_EQ(AccessibleName(warning.findChild<QWidget*>("warningText")), warning.Text().toStdString());
}

}  // namespace
}  // namespace varnel::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the tests (CTest's discovery) needs no display.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
