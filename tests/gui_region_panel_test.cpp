// The region panel's preset buttons: every way of choosing one (a screen
// reader's toggle and press actions, Space and the arrow keys, the mouse)
// fills in its region; a click on the checked one fills it in again, and
// locked presets take none of these ways.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QButtonGroup>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include <array>
#include <string>

#include "gui/page_layout.h"
#include "pages/region_panel.h"
#include "tests/gui_test_support.h"

namespace varnel::testing {
namespace {

// How a preset button is chosen.
enum class Way { ToggleAction, PressAction, Space, DownKey, UpKey, Mouse };

const char* WayName(Way way) {
  switch (way) {
    case Way::ToggleAction: return "toggle action";
    case Way::PressAction: return "press action";
    case Way::Space: return "space";
    case Way::DownKey: return "down key";
    case Way::UpKey: return "up key";
    case Way::Mouse: return "mouse";
  }
  return "";
}

constexpr std::array<const char*, kPresetCount> kPresetNames = {"presetSystem", "presetImage", "presetData"};

// What the boxes hold before a preset is chosen: no preset's region.
constexpr char kTypedOffset[] = "0x1234";
constexpr char kTypedSize[] = "0x5678";

struct Region {
  int preset;
  std::string offset;
  std::string size;
  bool operator==(const Region&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Region& region) {
  return out << "preset " << region.preset << ", " << region.offset << ", " << region.size;
}

class GuiRegionPanelTest : public GuiTest {
 protected:
  // The window with the loader ready, on the dump tab, active, so that the
  // presets take the focus and the size box is enabled.
  void OpenReady() {
    Open();
    window->OnLoaderReady();
    Child<QTabWidget>(*window, "tabs")->setCurrentIndex(kDumperTabIndex);
    window->activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == window.get(); }));
  }

  RegionPanel* Panel() { return Child<RegionPanel>(*window, "regionPanel"); }
  QAbstractButton* Preset(int index) { return Child<QAbstractButton>(*window, kPresetNames[index]); }

  // Checks preset `checked` and puts typed texts into the boxes.
  void Prepare(int checked) {
    Panel()->SetPreset(checked);
    Child<QLineEdit>(*window, "offsetBox")->setText(kTypedOffset);
    Child<QLineEdit>(*window, "sizeBox")->setText(kTypedSize);
  }

  // The checked preset and the boxes' texts as shown.
  Region Shown() {
    auto* group = Preset(0)->group();
    return {group->checkedId(), Child<QLineEdit>(*window, "offsetBox")->text().toStdString(),
            Child<QLineEdit>(*window, "sizeBox")->text().toStdString()};
  }

  // Chooses `button` the given way; the arrow keys go from `checked`,
  // which has the focus, to its neighbour. Returns once the choice is
  // made (a press action clicks a moment later).
  void Choose(Way way, QAbstractButton* button, QAbstractButton* checked) {
    switch (way) {
      case Way::ToggleAction:
      case Way::PressAction: {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(accessible, nullptr);
        QAccessibleActionInterface* actions = accessible->actionInterface();
        ASSERT_NE(actions, nullptr);
        const QString action = way == Way::ToggleAction ? QAccessibleActionInterface::toggleAction()
                                                        : QAccessibleActionInterface::pressAction();
        actions->doAction(action);
        ASSERT_TRUE(WaitUntil([&] { return !button->isDown(); }));
        break;
      }
      case Way::Space:
        button->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(button->hasFocus());
        QTest::keyClick(button, Qt::Key_Space);
        break;
      case Way::DownKey:
      case Way::UpKey:
        checked->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(checked->hasFocus());
        QTest::keyClick(checked, way == Way::DownKey ? Qt::Key_Down : Qt::Key_Up);
        EXPECT_TRUE(button->hasFocus());
        break;
      case Way::Mouse: QTest::mouseClick(button, Qt::LeftButton); break;
    }
  }
};

TEST_F(GuiRegionPanelTest, EveryWayOfChoosingAPresetFillsInItsRegion) {
  struct Case {
    Way way;
    int checked;  // before
    int chosen;
    Region expected;
  };
  const Region kSystem{0, "0x1000000", "0x800000"};
  const Region kImage{1, "0x2000000", "0x500000"};
  const Region kData{2, "0x2500000", "0x300000"};
  const std::array<Case, 11> kCases = {{
      {Way::ToggleAction, 0, 1, kImage},
      {Way::PressAction, 0, 2, kData},
      {Way::Space, 2, 0, kSystem},
      {Way::DownKey, 0, 1, kImage},
      {Way::UpKey, 2, 1, kImage},
      {Way::Mouse, 1, 2, kData},
      // With none checked, as a settings file can leave it.
      {Way::ToggleAction, kNoPreset, 2, kData},
      {Way::Mouse, kNoPreset, 0, kSystem},
      // The checked preset: a click by any means fills its region in
      // again; toggling it leaves it checked and the texts as typed.
      {Way::Mouse, 1, 1, kImage},
      {Way::Space, 2, 2, kData},
      {Way::ToggleAction, 1, 1, {1, kTypedOffset, kTypedSize}},
  }};
  OpenReady();
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(WayName(c.way)) + " from " + std::to_string(c.checked) + " to " +
                 std::to_string(c.chosen));
    Prepare(c.checked);
    const int from = c.checked == kNoPreset ? c.chosen : c.checked;
    Choose(c.way, Preset(c.chosen), Preset(from));
    EXPECT_EQ(Shown(), c.expected);
    EXPECT_EQ(Panel()->GetPreset(), c.expected.preset);
    EXPECT_EQ(Panel()->GetOffsetText(), c.expected.offset);
  }
}

TEST_F(GuiRegionPanelTest, LockedPresetsTakeNoWay) {
  constexpr std::array<Way, 6> kWays = {Way::ToggleAction, Way::PressAction, Way::Space,
                                        Way::DownKey,      Way::UpKey,       Way::Mouse};
  OpenReady();
  for (Way way : kWays) {
    SCOPED_TRACE(WayName(way));
    Prepare(1);
    window->OnLinkBusy();
    ASSERT_FALSE(Preset(0)->isEnabled());
    // Neither key can reach a locked button through the focus: they go to
    // it directly.
    QAbstractButton* chosen = Preset(way == Way::UpKey ? 0 : 2);
    switch (way) {
      case Way::Space: QTest::keyClick(chosen, Qt::Key_Space); break;
      case Way::DownKey:
      case Way::UpKey: QTest::keyClick(Preset(1), way == Way::DownKey ? Qt::Key_Down : Qt::Key_Up); break;
      default: Choose(way, chosen, Preset(1));
    }
    EXPECT_EQ(Shown(), (Region{1, kTypedOffset, kTypedSize}));
    window->OnLoaderReady();
  }
}

}  // namespace
}  // namespace varnel::testing
