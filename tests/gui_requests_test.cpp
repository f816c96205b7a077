// The dump and flash requests of the pages: the region texts converted
// into the link, the file name copied and the command written, and the
// message when the handset is not ready or a transfer runs. No worker
// runs: the tests set the link's state the way the worker leaves it.
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <array>
#include <functional>

#include "gui/page_layout.h"
#include "pages/region_panel.h"
#include "tests/gui_test_support.h"
#include "tests/link_test_access.h"

namespace varnel::testing {
namespace {

constexpr char kSwitchFirst[] = "Please switch to SERIAL first!";

class GuiRequestTest : public GuiTest {
 protected:
  // The loader runs, the worker idles and the controls are unlocked.
  void MakeReady() {
    SerialLinkTestAccess::SetState(window->Link(), true, LinkCommand::Idle);
    window->OnLoaderReady();
  }
  RegionPanel* Panel() { return Child<RegionPanel>(*window, "regionPanel"); }
  QPushButton* Button(const char* page, const char* name) {
    return Child<QWidget>(*window, page)->findChild<QPushButton*>(name);
  }
  const TransferRequest& LastRequest() { return window->Link().LastRequest(); }
};

TEST_F(GuiRequestTest, AMistypedRegionTextRefusesTheRequestAndNamesTheText) {
  Open();
  MakeReady();
  SerialLink& link = window->Link();
  struct Case {
    TransferKind kind;
    const char* offsetText;
    const char* sizeText;
    const char* refusal;  // the red line, or null when the request goes out
  };
  // Which texts are numbers: tests/hex_text_test.cpp. Here, what the
  // window does with each outcome.
  const std::array<Case, 6> kCases = {{
      {TransferKind::Flash, "0x27EF000", "0x3000", nullptr},
      {TransferKind::Flash, "2500000", "0x3000", "Offset \"2500000\" is not a hexadecimal number"},
      {TransferKind::Dump, "0x1fG", "0x3000", "Offset \"0x1fG\" is not a hexadecimal number"},
      {TransferKind::Dump, "0x2500000", "0x3000 0", "Size \"0x3000 0\" is not a hexadecimal number"},
      {TransferKind::Dump, "0x2000000", "0X500000", nullptr},
      // A flash takes its length from the file: a bad size is only logged.
      {TransferKind::Flash, "0x1000000", "junk", nullptr},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.offsetText) + " / " + c.sizeText);
    Panel()->SetOffsetText(c.offsetText);
    Panel()->SetSizeText(c.sizeText);
    const TransferRequest before = link.LastRequest();
    ModalCloser closer;
    const QString file = QString::fromStdString((dir / "region.bin").string());
    c.kind == TransferKind::Dump ? window->RequestDump(file) : window->RequestFlash(file);
    if (c.refusal == nullptr) {
      EXPECT_EQ(link.Command(), c.kind == TransferKind::Dump ? LinkCommand::Dump : LinkCommand::Flash);
      EXPECT_EQ(link.LastRequest().kind, c.kind);
      EXPECT_TRUE(closer.seen.empty());
      SerialLinkTestAccess::TakeCommand(link);
      continue;
    }
    EXPECT_EQ(link.Command(), LinkCommand::Idle);
    EXPECT_EQ(link.LastRequest().offset, before.offset);
    EXPECT_EQ(link.LastRequest().size, before.size);
    const std::vector<ShownLine> lines = LogLines(*window);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(WithoutStamp(lines.back().text), c.refusal);
    EXPECT_EQ(lines.back().colour, QColor(Qt::red));
    ASSERT_TRUE(WaitUntil([&] { return !closer.seen.empty(); }));
    EXPECT_EQ(closer.seen[0].caption, "Varnel");
    EXPECT_EQ(closer.seen[0].text,
              "Type the offset and the size as 0x followed by 1 to 8 hexadecimal digits "
              "(0-9, a-f), for example 0x2500000.");
  }
  // What the accepted rows handed over last.
  EXPECT_EQ(link.LastRequest().offset, 0x1000000u);
  EXPECT_EQ(link.LastRequest().size, 0x500000u);
}

TEST_F(GuiRequestTest, TheStartButtonsHandOverFileRegionAndCommand) {
  WriteText(SettingsFile(), "[Flasher]\nFileName=" + (dir / "image.bin").string() +
                                "\n[Dumper]\nFileName=" + (dir / "dump.bin").string() + "\n");
  Open();
  MakeReady();
  struct Case {
    int tab;
    const char* page;
    LinkCommand command;
    const char* file;
  };
  constexpr std::array<Case, 2> kCases = {{
      {kDumperTabIndex, "dumpPage", LinkCommand::Dump, "dump.bin"},
      {kFlasherTabIndex, "flashPage", LinkCommand::Flash, "image.bin"},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.page);
    Child<QTabWidget>(*window, "tabs")->setCurrentIndex(c.tab);
    Child<QPushButton>(*window, "presetData")->click();
    // Typed after the preset; on the flash tab its box is disabled, and
    // the size is converted all the same.
    Panel()->SetSizeText("0x1234");
    Button(c.page, "startButton")->click();
    EXPECT_EQ(LastRequest().offset, 0x2500000u);
    EXPECT_EQ(LastRequest().size, 0x1234u);
    EXPECT_EQ(LastRequest().fileName, (dir / c.file).string());
    EXPECT_EQ(window->Link().Command(), c.command);
    SerialLinkTestAccess::TakeCommand(window->Link());
  }
  EXPECT_FALSE(Child<QWidget>(*window, "sizeFrame")->isEnabled());  // the flash tab
}

TEST_F(GuiRequestTest, ARequestWhileNotReadyOrBusyShowsTheMessageAndStartsNothing) {
  Open();
  struct Case {
    const char* what;
    std::function<void(MainWindow&)> state;
  };
  const std::array<Case, 5> kCases = {{
      {"before a connect", [](MainWindow&) {}},
      {"loader not running", [](MainWindow& w) { w.OnLoaderReady(); }},
      {"a request not yet taken",
       [](MainWindow& w) {
         SerialLinkTestAccess::SetState(w.Link(), true, LinkCommand::Flash);
         w.OnLoaderReady();
       }},
      // The worker idles while a transfer runs; the locked controls tell.
      {"a transfer running",
       [](MainWindow& w) {
         SerialLinkTestAccess::SetState(w.Link(), true, LinkCommand::Idle);
         w.OnLinkBusy();
       }},
      {"the link closed",
       [](MainWindow& w) {
         SerialLinkTestAccess::SetState(w.Link(), true, LinkCommand::Idle);
         w.OnLinkClosed();
       }},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    SerialLinkTestAccess::SetState(window->Link(), false, LinkCommand::Idle);
    c.state(*window);
    const LinkCommand before = window->Link().Command();
    Panel()->SetOffsetText("0x100");
    ModalCloser closer;
    window->RequestFlash(QString::fromStdString((dir / "image.bin").string()));
    ASSERT_EQ(closer.seen.size(), 1u);
    EXPECT_EQ(closer.seen[0].caption, "Varnel");
    EXPECT_EQ(closer.seen[0].text, kSwitchFirst);
    EXPECT_EQ(LastRequest().offset, 0u) << "nothing was handed over";
    EXPECT_EQ(window->Link().Command(), before);
    EXPECT_EQ(LastRequest().fileName, "");
  }
}

TEST_F(GuiRequestTest, TheBoxesTakeTenCharactersAndEditingKeepsThePreset) {
  Open();
  MakeReady();
  Child<QPushButton>(*window, "presetImage")->click();
  auto* offsetBox = Child<QLineEdit>(*window, "offsetBox");
  offsetBox->clear();
  offsetBox->insert("0x123456789AB");
  EXPECT_EQ(offsetBox->text(), "0x12345678");
  EXPECT_EQ(Panel()->GetOffsetText(), "0x12345678");
  EXPECT_EQ(Panel()->GetPreset(), 1);
}

}  // namespace
}  // namespace varnel::testing
