// The main window at start-up, its page layout per tab, its control states
// and the keys it ignores (the region panel's presets and the settings,
// the tab shown at start-up among them, have tests of their own). Holds the GUI tests' main(), which runs them
// offscreen.
#include <QAction>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include <array>

#include "gui/page_layout.h"
#include "tests/gui_test_support.h"

namespace varnel::testing {
namespace {

class MainWindowTest : public GuiTest {
 protected:
  bool RegionFrameEnabled(const char* caption) {
    for (QGroupBox* frame : Child<QWidget>(*window, "regionPanel")->findChildren<QGroupBox*>()) {
      if (frame->title() == caption) return frame->isEnabled();
    }
    ADD_FAILURE() << "no frame " << caption;
    return false;
  }
  bool FilePageEnabled(const char* page) { return Child<QWidget>(*window, page)->findChild<QLineEdit*>()->isEnabled(); }
  int CurrentTab() { return Child<QTabWidget>(*window, "tabs")->currentIndex(); }
  void SelectTab(int tab) { Child<QTabWidget>(*window, "tabs")->setCurrentIndex(tab); }
  bool LogShown() { return Child<QWidget>(*window, "log")->isVisible(); }
};

TEST_F(MainWindowTest, StartsIdleWithTheControlsLockedNoProgressAFixedSizeAndTheThreeMenus) {
  MainWindow& shown = Open();
  EXPECT_EQ(shown.windowTitle(), "Varnel");
  EXPECT_EQ(Child<QPushButton>(shown, "mainButton")->text(), "Switch to SERIAL");
  for (const char* name : {"progressBar", "statusText", "counter"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(Child<QWidget>(shown, name)->isHidden());
  }
  for (const char* frame : {"Select bin:", "Offset:", "Size:"}) EXPECT_FALSE(RegionFrameEnabled(frame));
  EXPECT_FALSE(FilePageEnabled("flashPage"));
  EXPECT_FALSE(FilePageEnabled("dumpPage"));

  // The tabs' captions and order are read out by the keyboard tests, the
  // default region and file names by the settings tests.
  EXPECT_EQ(Child<QTabWidget>(shown, "tabs")->count(), kTabCount);
  EXPECT_EQ(CurrentTab(), kInstructionTabIndex);
  EXPECT_FALSE(LogShown());
  EXPECT_TRUE(Child<QWidget>(shown, "instructionPage")
                  ->findChild<QLabel*>()
                  ->text()
                  .startsWith("Welcome to \"Varnel\"!\n\nBefore flashing"));
  // A fixed size and the three menus.
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
  for (int tab : {kFlasherTabIndex, kDumperTabIndex}) {
    SCOPED_TRACE(tab);
    const PageLayout layout = LayOutPage(tab, client, reference);
    EXPECT_EQ(layout.tabs, QRect(5, 40, w - 10, h - 52 - l));
    EXPECT_EQ(layout.log, QRect(5, layout.tabs.bottom() + 1 + 5, w - 10, l + 2));
    EXPECT_EQ(layout.log.bottom() + 1, h - 5);
    EXPECT_TRUE(layout.logShown);
  }
  for (int tab : {kInstructionTabIndex, kPatcherTabIndex, 7}) {
    SCOPED_TRACE(tab);
    const PageLayout layout = LayOutPage(tab, client, reference);
    EXPECT_EQ(layout.tabs, QRect(5, 40, w - 10, h - 45));
    EXPECT_FALSE(layout.logShown);
  }
  const DialogUnits doubled(12, 26);
  const PageLayout big = LayOutPage(kDumperTabIndex, client * 2, doubled);
  const PageLayout small = LayOutPage(kDumperTabIndex, client, reference);
  EXPECT_EQ(big.tabs, QRect(small.tabs.topLeft() * 2, small.tabs.size() * 2));
  EXPECT_EQ(big.log, QRect(small.log.topLeft() * 2, small.log.size() * 2));
}

TEST_F(MainWindowTest, TheControlStatesLockAndUnlockThePanelAndThePages) {
  MainWindow& shown = Open();
  SelectTab(kFlasherTabIndex);
  shown.OnLoaderReady();
  EXPECT_TRUE(RegionFrameEnabled("Select bin:"));
  EXPECT_TRUE(RegionFrameEnabled("Offset:"));
  EXPECT_FALSE(RegionFrameEnabled("Size:"));  // a flash takes its size from the file
  EXPECT_TRUE(FilePageEnabled("flashPage"));
  SelectTab(kDumperTabIndex);
  EXPECT_TRUE(RegionFrameEnabled("Size:"));
  EXPECT_TRUE(FilePageEnabled("dumpPage"));

  shown.OnLinkBusy();
  for (const char* frame : {"Select bin:", "Offset:", "Size:"}) EXPECT_FALSE(RegionFrameEnabled(frame));
  EXPECT_FALSE(FilePageEnabled("flashPage"));
  EXPECT_FALSE(FilePageEnabled("dumpPage"));
  // Locked stays locked whatever the tab.
  SelectTab(kFlasherTabIndex);
  SelectTab(kDumperTabIndex);
  EXPECT_FALSE(RegionFrameEnabled("Size:"));

  shown.SetButtonMode(ButtonMode::Connected);
  shown.OnLoaderReady();
  shown.OnLinkClosed();
  EXPECT_EQ(Child<QPushButton>(shown, "mainButton")->text(), "Switch to SERIAL");
  for (const char* frame : {"Select bin:", "Offset:", "Size:"}) EXPECT_FALSE(RegionFrameEnabled(frame));
  EXPECT_FALSE(FilePageEnabled("dumpPage"));
}

TEST_F(MainWindowTest, EnterAndEscapeDoNothing) {
  MainWindow& shown = Open();
  QWidget* targets[] = {&shown, Child<QWidget>(shown, "mainButton")};
  for (QWidget* target : targets) {
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QCoreApplication::sendEvent(target, &press);
      QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
      QCoreApplication::sendEvent(target, &release);
    }
  }
  QCoreApplication::processEvents();
  EXPECT_TRUE(shown.isVisible());
  EXPECT_TRUE(LogTexts(shown).empty());  // the main button was not pressed
  EXPECT_EQ(Child<QPushButton>(shown, "mainButton")->text(), "Switch to SERIAL");
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
