// The region panel and the requests it feeds. Its preset buttons: every
// way of choosing one (a screen reader's toggle and press actions, Space
// and the arrow keys, the mouse) fills in its region; a click on the
// checked one fills it in again, and locked presets take none of these
// ways. The dump and flash requests of the pages: the region texts
// converted into the link, the file name copied and the command written,
// and the message when the handset is not ready or a transfer runs (the
// start buttons through a whole dump and flash: tests/gui_flow_test.cpp).
// No worker runs: the tests set the link's state the way the worker
// leaves it.
#include "tests/link_test_access.h"
#include "tests/gui_test_support.h"

namespace varnel::testing {
namespace {

// How a preset button is chosen.
enum class Way { ToggleAction, PressAction, Space, DownKey, UpKey, Mouse };
constexpr std::array<const char*, 6> kWayNames = {"toggle action", "press action", "space",
                                                  "down key",      "up key",       "mouse"};

constexpr std::array<const char*, kPresetCount> kPresetNames = {"presetSystem", "presetImage", "presetData"};

// What the boxes hold before a preset is chosen: no preset's region.
constexpr char kTypedOffset[] = "0x1234";
constexpr char kTypedSize[] = "0x5678";

// The checked preset, the offset and the size.
using Region = std::tuple<int, std::string, std::string>;

class GuiRegionPanelTest : public GuiTest {
 protected:
  QAbstractButton* Preset(int index) { return Part<QAbstractButton>(kPresetNames[index]); }

  // The checked preset and the boxes' texts as shown.
  Region Shown() {
    EXPECT_EQ(Panel()->GetOffsetText(), Box("offsetBox")->text().toStdString());
    EXPECT_EQ(Panel()->GetPreset(), Preset(0)->group()->checkedId());
    return {Panel()->GetPreset(), Box("offsetBox")->text().toStdString(), Box("sizeBox")->text().toStdString()};
  }

  // Chooses `button` the given way; the arrow keys go from `checked` to
  // its neighbour. The keys reach the button through the focus. Returns
  // once the choice is made (a press action clicks a moment later).
  void Choose(Way way, QAbstractButton* button, QAbstractButton* checked) {
    switch (way) {
      case Way::ToggleAction:
      case Way::PressAction: {
        QAccessibleActionInterface* actions = QAccessible::queryAccessibleInterface(button)->actionInterface();
        ASSERT_NE(actions, nullptr);
        actions->doAction(way == Way::ToggleAction ? QAccessibleActionInterface::toggleAction()
                                                   : QAccessibleActionInterface::pressAction());
        ASSERT_TRUE(WaitUntil([&] { return !button->isDown(); }));
        break;
      }
      case Way::Space:
        button->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(button->hasFocus());
        QTest::keyClick(button, Qt::Key_Space);
        break;
      case Way::DownKey:
      case Way::UpKey:
        checked->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(checked->hasFocus());
        QTest::keyClick(checked, way == Way::DownKey ? Qt::Key_Down : Qt::Key_Up);
        EXPECT_TRUE(button->hasFocus());
        break;
      case Way::Mouse: QTest::mouseClick(button, Qt::LeftButton); break;
    }
  }
};

// On the dump tab, so that the size box is enabled, with the window active
// so that the presets take the focus.
TEST_F(GuiRegionPanelTest, EveryWayOfChoosingAPresetFillsInItsRegionUnlessLocked) {
  struct Case {
    Way way;
    int checked;  // before
    int chosen;
    Region expected;
    bool locked = false;
  };
  const Region kSystem{0, "0x1000000", "0x800000"};
  const Region kImage{1, "0x2000000", "0x500000"};
  const Region kData{2, "0x2500000", "0x300000"};
  const Region kAsTyped{1, kTypedOffset, kTypedSize};
  const std::array<Case, 13> kCases = {{
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
      {Way::ToggleAction, 1, 1, kAsTyped},
      // Locked while a transfer runs: disabled, the buttons take no key
      // or click (the window system's rule), and a screen reader's
      // actions go through the button's own checks.
      {Way::ToggleAction, 1, 2, kAsTyped, true},
      {Way::PressAction, 1, 2, kAsTyped, true},
  }};
  OpenActive();
  window->OnLoaderReady();
  SelectTab(kDumperTabIndex);
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(kWayNames[static_cast<size_t>(c.way)]) + " from " + std::to_string(c.checked) + " to " +
                 std::to_string(c.chosen) + (c.locked ? ", locked" : ""));
    Panel()->SetPreset(c.checked);
    Box("offsetBox")->setText(kTypedOffset);
    Box("sizeBox")->setText(kTypedSize);
    if (c.locked) window->OnLinkBusy();
    ASSERT_EQ(Preset(0)->isEnabled(), !c.locked);
    Choose(c.way, Preset(c.chosen), Preset(c.checked == kNoPreset ? c.chosen : c.checked));
    EXPECT_EQ(Shown(), c.expected);
    window->OnLoaderReady();
  }
  // The boxes take ten characters, and editing keeps the preset.
  Part<QPushButton>("presetImage")->click();
  Box("offsetBox")->clear();
  Box("offsetBox")->insert("0x123456789AB");
  EXPECT_EQ(Box("offsetBox")->text(), "0x12345678");
  EXPECT_EQ(Panel()->GetOffsetText(), "0x12345678");
  EXPECT_EQ(Panel()->GetPreset(), 1);
}

constexpr char kSwitchFirst[] = "Please switch to SERIAL first!";
constexpr char kTypeHex[] =
    "Type the offset and the size as 0x followed by 1 to 8 hexadecimal digits (0-9, a-f), for example 0x2500000.";

// How the link stands: the loader runs and the worker idles, unless a row
// says otherwise.
void Ready(MainWindow& w) {
  SerialLinkTestAccess::SetState(w.Link(), true, LinkCommand::Idle);
  w.OnLoaderReady();
}
void Pending(MainWindow& w) {
  SerialLinkTestAccess::SetState(w.Link(), true, LinkCommand::Flash);
  w.OnLoaderReady();
}
// The worker idles while a transfer runs; the locked controls tell.
void Busy(MainWindow& w) { Ready(w), w.OnLinkBusy(); }
void Closed(MainWindow& w) { Ready(w), w.OnLinkClosed(); }

// A request goes out only while the loader runs, the worker idles and the
// region's texts are numbers (which texts are: tests/hex_text_test.cpp);
// else the window says why, in a message and for a mistyped text in a red
// line that names it, and hands nothing over.
TEST_F(GuiRegionPanelTest, ARequestGoesOutOnlyWhenReadyAndItsTextsAreNumbers) {
  struct Case {
    const char* what;
    std::function<void(MainWindow&)> state;
    TransferKind kind;
    const char* offsetText;
    const char* sizeText;
    const char* message;  // null when the request goes out
    const char* redLine;  // null for none
  };
  const std::array<Case, 11> kCases = {{
      {"ready", Ready, TransferKind::Flash, "0x27EF000", "0x3000", nullptr, nullptr},
      {"ready", Ready, TransferKind::Flash, "2500000", "0x3000", kTypeHex,
       "Offset \"2500000\" is not a hexadecimal number"},
      {"ready", Ready, TransferKind::Dump, "0x1fG", "0x3000", kTypeHex, "Offset \"0x1fG\" is not a hexadecimal number"},
      {"ready", Ready, TransferKind::Dump, "0x2500000", "0x3000 0", kTypeHex,
       "Size \"0x3000 0\" is not a hexadecimal number"},
      {"ready", Ready, TransferKind::Dump, "0x2000000", "0X500000", nullptr, nullptr},
      // A flash takes its length from the file: a bad size is only logged.
      {"ready", Ready, TransferKind::Flash, "0x1000000", "junk", nullptr, nullptr},
      {"before a connect", [](MainWindow&) {}, TransferKind::Flash, "0x100", "0x10", kSwitchFirst, nullptr},
      {"loader not running", [](MainWindow& w) { w.OnLoaderReady(); }, TransferKind::Flash, "0x100", "0x10",
       kSwitchFirst, nullptr},
      {"a request not yet taken", Pending, TransferKind::Dump, "0x100", "0x10", kSwitchFirst, nullptr},
      {"a transfer running", Busy, TransferKind::Flash, "0x100", "0x10", kSwitchFirst, nullptr},
      {"the link closed", Closed, TransferKind::Flash, "0x100", "0x10", kSwitchFirst, nullptr},
  }};
  Open();
  SerialLink& link = window->Link();
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.what) + ": " + c.offsetText + " / " + c.sizeText);
    SerialLinkTestAccess::SetState(link, false, LinkCommand::Idle);
    c.state(*window);
    Panel()->SetOffsetText(c.offsetText);
    Panel()->SetSizeText(c.sizeText);
    const TransferRequest before = link.LastRequest();
    const LinkCommand command = link.Command();
    const size_t logLines = ColouredLog(*window).size();
    ModalCloser closer;
    const QString file = QString::fromStdString((dir / (std::string(c.what) + ".bin")).string());
    c.kind == TransferKind::Dump ? window->RequestDump(file) : window->RequestFlash(file);
    if (c.message == nullptr) {
      EXPECT_EQ(link.Command(), c.kind == TransferKind::Dump ? LinkCommand::Dump : LinkCommand::Flash);
      EXPECT_EQ(link.LastRequest().kind, c.kind);
      EXPECT_EQ(link.LastRequest().fileName, file.toStdString());
      EXPECT_TRUE(closer.seen.empty());
      SerialLinkTestAccess::TakeCommand(link);
      continue;
    }
    const TransferRequest& after = link.LastRequest();
    EXPECT_EQ(std::tie(after.offset, after.size, after.fileName),
              std::tie(before.offset, before.size, before.fileName));
    EXPECT_EQ(link.Command(), command);
    ASSERT_TRUE(WaitUntil([&] { return !closer.seen.empty(); }));
    EXPECT_EQ(closer.seen.size(), 1u);
    EXPECT_EQ(closer.seen[0].caption, "Varnel");
    EXPECT_EQ(closer.seen[0].text, c.message);
    const std::vector<ColouredLine> log = ColouredLog(*window);
    ASSERT_EQ(log.size(), logLines + (c.redLine == nullptr ? 0 : 1));
    if (c.redLine != nullptr) {
      EXPECT_EQ(log.back(), ColouredLine(c.redLine, kRed));
    }
  }
  // What the accepted rows handed over last.
  EXPECT_EQ(link.LastRequest().offset, 0x1000000u);
  EXPECT_EQ(link.LastRequest().size, 0x500000u);
}

}  // namespace
}  // namespace varnel::testing
