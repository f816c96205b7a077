// Keyboard use and names for screen readers: Tab visits every control of
// the shown page in reading order, every control that takes the focus, in
// the main window and in the dialogs, has an accessible name, and controls
// with words of their own read out those words.
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QTabWidget>

#include <algorithm>
#include <array>
#include <vector>

#include "gui/page_layout.h"
#include "pages/about_dialog.h"
#include "pages/options_dialog.h"
#include "pages/warning_dialog.h"
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

class GuiKeyboardTest : public GuiTest {
 protected:
  // The names of the controls Tab visits from the main button until it
  // comes back there.
  std::vector<std::string> TabRound() {
    QWidget* start = Child<QWidget>(*window, "mainButton");
    window->activateWindow();
    EXPECT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == window.get(); }));
    start->setFocus(Qt::TabFocusReason);
    std::vector<std::string> names;
    for (int i = 0; i < kMostTabStops; ++i) {
      QWidget* focus = QApplication::focusWidget();
      if (focus == nullptr) break;
      names.push_back(AccessibleName(focus));
      QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
      QCoreApplication::sendEvent(focus, &tab);
      if (QApplication::focusWidget() == start) break;
    }
    return names;
  }
};

// The tab bar reads as its current tab. Tab enters the presets at the
// checked one, as for any group of exclusive choices; the arrow keys move
// between them.
TEST_F(GuiKeyboardTest, TabVisitsTheShownControlsInReadingOrder) {
  Open();
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
    Child<QTabWidget>(*window, "tabs")->setCurrentIndex(c.tab);
    EXPECT_EQ(TabRound(), c.order);
  }
  // The arrow keys among the presets: tests/gui_region_panel_test.cpp.
}

TEST_F(GuiKeyboardTest, AltReachesTheMenu) {
  Open();
  window->activateWindow();
  ASSERT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == window.get(); }));
  QWidget* focus = QApplication::focusWidget();
  ASSERT_NE(focus, nullptr);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
  QCoreApplication::sendEvent(focus, &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
  QCoreApplication::sendEvent(focus, &release);
  EXPECT_NE(window->findChild<QMenuBar*>()->activeAction(), nullptr);
}

// Every control has a name; one set on a control with words of its own
// would be read in their place, and would not follow them when they change.
TEST_F(GuiKeyboardTest, EveryControlHasAnAccessibleNameAndReadsOutItsOwnWords) {
  Open();
  auto* mainButton = Child<QWidget>(*window, "mainButton");
  EXPECT_EQ(AccessibleName(mainButton), "Switch to SERIAL");
  window->SetButtonMode(ButtonMode::Connected);
  EXPECT_EQ(AccessibleName(mainButton), "Disconnect");
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
  EXPECT_EQ(AccessibleName(Child<QWidget>(warning, "warningText")), warning.Text().toStdString());
}

}  // namespace
}  // namespace varnel::testing
