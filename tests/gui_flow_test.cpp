// The tool's main tasks through the GUI against the simulated handset:
// connect, dump a preset region into a file, flash a file into bank 2, go
// on with a dump that stopped and dump the file back, with the controls
// locked during each transfer and unlocked after; back up and restore
// through the Tools menu, and a close during a flash. With
// VARNEL_SCREENSHOT_DIR set, each tab is saved there as a PNG
// (scripts/screenshot.sh).
#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "format/flash_bank.h"
#include "gui/log_view.h"
#include "gui/page_layout.h"
#include "link/dump_resume.h"
#include "pages/file_page.h"
#include "pages/question_dialog.h"
#include "pages/options_dialog.h"
#include "tests/gui_handset_test.h"

namespace varnel::testing {
namespace {

// Bank 2 follows bank 1 in the handset's image file, at kBankSize.
constexpr uint32_t kDataOffset = kDataRegion.offset;
constexpr uint32_t kImageOffset = 0x2010000;
constexpr uint32_t kImageSize = 0x10000;

std::string Bytes(const std::filesystem::path& path, uint32_t at, uint32_t count) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(at);
  std::string bytes(count, '\0');
  in.read(bytes.data(), count);
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

class GuiFlowTest : public GuiHandsetTest {
 protected:
  // The handset with 8 KiB blocks, and made-up patch files.
  void StartPatchesAndHandset() {
    StartHandset("BlockSize=8192\n");
    // Made-up patch files for the "Patcher DB" tab.
    WriteText(dir / "menus.cpf", std::string(4, '\0') + "1.2" + std::string(7, '\0') + "Ann Other" +
                                     std::string(11, '\0') + "Faster menus" + std::string(42, '\0'));
    WriteText(dir / "radio.cpf", std::string(4, '\0') + "0.9" + std::string(7, '\0') + "J. Doe" +
                                     std::string(14, '\0') + "FM radio fix" + std::string(42, '\0'));
  }

  void SelectTab(int tab) { Child<QTabWidget>(*window, "tabs")->setCurrentIndex(tab); }
  QLineEdit* Box(const char* name) { return Child<QLineEdit>(*window, name); }

  void Choose(const char* page, const std::filesystem::path& file) {
    OnModal<QFileDialog> dialog([&](QFileDialog& d) { TypeAndAccept(d, file); });
    Child<FilePage>(*window, page)->Browse();
    ASSERT_TRUE(dialog.Done());
  }

  bool ControlsEnabled() {
    return Child<QWidget>(*window, "presetFrame")->isEnabled() && Box("offsetBox")->isEnabled() &&
           Child<QWidget>(*window, "flashPage")->findChild<QPushButton*>("startButton")->isEnabled() &&
           Child<QWidget>(*window, "dumpPage")->findChild<QPushButton*>("startButton")->isEnabled();
  }

  // Clicks the start button of `page` and waits until the transfer has
  // ended; the controls must be locked whenever the log changed meanwhile
  // and unlocked at the end, with no error reported.
  void RunTransfer(const char* page) {
    const size_t linesBefore = LogLines(*window).size();
    std::vector<bool> enabledAtLogLines;
    auto* logView = Child<QPlainTextEdit>(*window, "log");
    const QMetaObject::Connection watch = QObject::connect(logView, &QPlainTextEdit::textChanged,
                                                           [&] { enabledAtLogLines.push_back(ControlsEnabled()); });
    Child<QWidget>(*window, page)->findChild<QPushButton*>("startButton")->click();
    const bool ended = WaitUntil([&] {
      const std::vector<std::string> texts = LogTexts(*window);
      // A transfer ends with "Time elapsed [MM:SS]", then its average rate
      // (and a verify after a flash with its own), and unlocks the controls.
      bool rated = false;
      for (size_t i = linesBefore + 1; i < texts.size(); ++i) {
        rated = rated || (texts[i - 1].starts_with("Time elapsed") && texts[i].starts_with("Average rate") &&
                          texts[i].ends_with(" KiB/s"));
      }
      return rated && ControlsEnabled();
    });
    QObject::disconnect(watch);
    ASSERT_TRUE(ended);
    EXPECT_GE(enabledAtLogLines.size(), 3u);
    EXPECT_EQ(std::count(enabledAtLogLines.begin(), enabledAtLogLines.end(), true), 0);
    for (const ShownLine& line : LogLines(*window)) EXPECT_NE(line.colour, ToQColor(kRed)) << line.text;
  }

  void Screenshot(const char* name) {
    const char* folder = std::getenv("VARNEL_SCREENSHOT_DIR");
    if (folder == nullptr) return;
    QCoreApplication::processEvents();
    const QString file = QString::fromLocal8Bit(folder) + "/" + name + ".png";
    EXPECT_TRUE(window->grab().save(file, "PNG")) << file.toStdString();
  }
};

// Tools -> Back up the handset... backs up both banks into the folder
// chosen; Tools -> Restore a backup... checks it and asks before it would
// overwrite the flash, and a "Cancel" sends nothing.
TEST_F(GuiFlowTest, BacksUpThroughTheToolsMenuAndAsksBeforeARestore) {
  StartHandset("ComSpeed=460800\nBlockSize=8192\n");
  const std::filesystem::path folder = dir / "backup";
  std::filesystem::create_directory(folder);
  Open();
  Connect();
  const auto tool = [&](const char* caption) {
    for (QAction* action : window->findChildren<QAction*>()) {
      if (action->text() == QString::fromLatin1(caption)) return action;
    }
    return static_cast<QAction*>(nullptr);
  };
  const auto chooseFolder = [&](QFileDialog& d) {
    d.setDirectory(QString::fromStdString(folder.string()));
    QMetaObject::invokeMethod(&d, "accept");
  };
  {
    OnModal<QFileDialog> dialog(chooseFolder);
    tool("Back up the handset...")->trigger();
    EXPECT_TRUE(dialog.Done());
  }
  ASSERT_TRUE(
      WaitUntil([&] { return Logged(*window, "Backup complete: " + folder.string()); }, std::chrono::seconds(30)));
  EXPECT_EQ(Bytes(folder / "bank2.bin", 0, kBankSize), Bytes(dir / "flash.img", kBankSize, kBankSize));
  EXPECT_TRUE(ControlsEnabled());

  const size_t flashes = handset->Transcript().Packets(kCmdFlash).size();
  OnModal<QFileDialog> dialog(chooseFolder);
  OnModal<QuestionDialog> question([](QuestionDialog& d) { d.SecondButton()->click(); });
  tool("Restore a backup...")->trigger();
  EXPECT_TRUE(dialog.Done());
  EXPECT_TRUE(question.Done());
  EXPECT_EQ(handset->Transcript().Packets(kCmdFlash).size(), flashes);
  EXPECT_TRUE(ControlsEnabled());
}

// Closing the window during a flash asks first; "Finish it" lets the
// flash complete, then the link ends and the window closes.
TEST_F(GuiFlowTest, ClosingDuringAFlashAsksAndFinishItCompletesTheFlashThenCloses) {
  pacing = sim::Pacing::kLineRate;
  StartHandset("ComSpeed=460800\n");
  const std::string image(0x8000, '\x5A');
  WriteText(dir / "image.bin", image);
  Open();
  Connect();
  SelectTab(kFlasherTabIndex);
  Choose("flashPage", dir / "image.bin");
  Box("offsetBox")->setText("0x2010000");
  Child<QWidget>(*window, "flashPage")->findChild<QPushButton*>("startButton")->click();
  ASSERT_TRUE(WaitUntil([&] {
    const auto flashes = handset->Transcript().Transfers(TransferKind::Flash);
    return !flashes.empty() && flashes.back().blocks.size() >= 3;
  }));
  OnModal<QuestionDialog> question([](QuestionDialog& d) { d.FirstButton()->click(); });
  window->close();
  EXPECT_TRUE(question.Done());
  ASSERT_TRUE(WaitUntil([&] { return !window->isVisible(); }, std::chrono::seconds(30)));
  EXPECT_EQ(Bytes(dir / "flash.img", kBankSize + 0x10000, 0x8000), image);
  const std::vector<std::string> texts = LogTexts(*window);
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                          [](const std::string& t) { return t.starts_with("Finishing the flash: about "); }));
  EXPECT_TRUE(Logged(*window, "Flash finished!"));
}

TEST_F(GuiFlowTest, ConnectsDumpsAPresetFlashesAFileAndReadsItBack) {
  StartPatchesAndHandset();
  Open();
  Screenshot("tab_instruction");
  Connect();
  ASSERT_TRUE(WaitUntil([&] { return ControlsEnabled(); }));

  // The "Data BIN (3 Mb)" preset into a file.
  SelectTab(kDumperTabIndex);
  Child<QPushButton>(*window, "presetData")->click();
  Choose("dumpPage", dir / "data.bin");
  RunTransfer("dumpPage");
  EXPECT_TRUE(Logged(*window, "Offset = 0x2500000, size = 0x300000"));
  const std::string data = ReadText(dir / "data.bin");
  EXPECT_EQ(data.size(), kDataRegion.size);
  EXPECT_TRUE(data == Bytes(dir / "flash.img", kBankSize + kDataOffset - kBank2Base, kDataRegion.size));

  // A file of our own into bank 2; the size box plays no part.
  std::string image(kImageSize, '\0');
  for (uint32_t i = 0; i < kImageSize; ++i) image[i] = static_cast<char>((i * 7) ^ (i >> 8));
  WriteText(dir / "image.bin", image);
  SelectTab(kFlasherTabIndex);
  Box("offsetBox")->setText("0x2010000");
  Choose("flashPage", dir / "image.bin");
  Child<QCheckBox>(*window, "verifyBox")->click();
  RunTransfer("flashPage");
  EXPECT_TRUE(Logged(*window, "Flash finished!"));
  EXPECT_EQ(LogTexts(*window).back(), "Verify OK");
  EXPECT_EQ(LogLines(*window).back().colour, ToQColor(kGreen));
  EXPECT_TRUE(image == Bytes(dir / "flash.img", kBankSize + kImageOffset - kBank2Base, kImageSize));
  Screenshot("tab_flasher");

  // "Dump!!!" into a file that holds the first part of the region, from a
  // dump that stopped, offers to go on from there; going on asks the
  // handset only for the rest.
  SelectTab(kDumperTabIndex);
  Box("offsetBox")->setText("0x2010000");
  Box("sizeBox")->setText("0x3000");
  Choose("dumpPage", dir / "part.bin");
  WriteText(dir / "part.bin", image.substr(0, 0x1000));
  ASSERT_TRUE(WriteDumpRecord((dir / "part.bin").string(), {kImageOffset, 0x3000}));
  {
    OnModal<QuestionDialog> question([](QuestionDialog& d) { d.FirstButton()->click(); });
    RunTransfer("dumpPage");
    EXPECT_TRUE(question.Done());
  }
  EXPECT_EQ(handset->Transcript().Packets(kCmdDump).back().packet.first, kImageOffset + 0x1000);
  EXPECT_TRUE(ReadText(dir / "part.bin") == image.substr(0, 0x3000));

  // And back again.
  SelectTab(kDumperTabIndex);
  Box("offsetBox")->setText("0x2010000");
  Box("sizeBox")->setText("0x10000");
  Choose("dumpPage", dir / "back.bin");
  RunTransfer("dumpPage");
  EXPECT_TRUE(ReadText(dir / "back.bin") == image);
  Screenshot("tab_dumper");
  SelectTab(kPatcherTabIndex);
  Screenshot("tab_patcher");

  // Options wait for the disconnect.
  OnModal<OptionsDialog> options([](OptionsDialog& d) { d.reject(); });
  for (QAction* top : window->findChild<QMenuBar*>()->actions()) {
    for (QAction* item : top->menu()->actions()) {
      if (item->text() == "Options...") item->trigger();
    }
  }
  QCoreApplication::processEvents();
  EXPECT_FALSE(options.Done());

  MainButton()->click();
  WaitForClose();
  EXPECT_FALSE(ControlsEnabled());
  window->close();
  const std::string settings = ReadText(SettingsFile());
  EXPECT_NE(settings.find("Offset=0x2010000\nSize=0x10000\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("[Dumper]\nFileName=" + (dir / "back.bin").string()), std::string::npos) << settings;
  EXPECT_NE(settings.find("[Flasher]\nFileName=" + (dir / "image.bin").string() + "\nVerify=1\n"), std::string::npos)
      << settings;
}

}  // namespace
}  // namespace varnel::testing
