// The tool's main tasks through the GUI against the simulated handset:
// connect, dump a preset region into a file, flash a file into bank 2 and
// verify it, go on with a dump that stopped, with the controls
// locked during each transfer and unlocked after; back up and restore
// through the Tools menu, and a close during a flash. With
// VARNEL_SCREENSHOT_DIR set, each tab is saved there as a PNG
// (scripts/screenshot.sh).
#include <cstdlib>

#include "format/flash_bank.h"
#include "link/dump_resume.h"
#include "pages/options_dialog.h"
#include "pages/question_dialog.h"
#include "tests/gui_handset_test.h"

namespace varnel::testing {
namespace {

// Bank 2 follows bank 1 in the handset's image file, at kBankSize.
constexpr uint32_t kImageOffset = 0x2010000;
constexpr uint32_t kImageSize = 0x10000;

std::string Bytes(const std::filesystem::path& path, uint32_t at, uint32_t count) {
  return ReadText(path).substr(at, count);
}

class GuiFlowTest : public GuiHandsetTest {
 protected:
  void Choose(const char* page, const std::filesystem::path& file) {
    OnModal<QFileDialog> dialog([&](QFileDialog& d) { TypeAndAccept(d, file); });
    Part<FilePage>(page)->Browse();
    ASSERT_TRUE(dialog.Done());
  }

  bool ControlsEnabled() {
    return Part("presetFrame")->isEnabled() && Box("offsetBox")->isEnabled() && StartButton("flashPage")->isEnabled() &&
           StartButton("dumpPage")->isEnabled();
  }

  // Clicks the start button of `page` and waits until the transfer has
  // ended; the controls must be locked whenever the log changed meanwhile
  // and unlocked at the end, with no error reported.
  void RunTransfer(const char* page) {
    const size_t linesBefore = ColouredLog(*window).size();
    std::vector<bool> enabledAtLogLines;
    const QMetaObject::Connection watch = QObject::connect(Part<QPlainTextEdit>("log"), &QPlainTextEdit::textChanged,
                                                           [&] { enabledAtLogLines.push_back(ControlsEnabled()); });
    StartButton(page)->click();
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
    for (const auto& [text, colour] : ColouredLog(*window)) EXPECT_NE(colour, kRed) << text;
  }

  void Screenshot(const char* name) {
    const char* folder = std::getenv("VARNEL_SCREENSHOT_DIR");
    if (folder == nullptr) return;
    QCoreApplication::processEvents();
    const QString file = QString::fromLocal8Bit(folder) + "/" + name + ".png";
    EXPECT_TRUE(window->grab().save(file, "PNG")) << file.toStdString();
  }
};

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
  StartButton("flashPage")->click();
  ASSERT_TRUE(WaitUntil([&] {
    const auto flashes = handset->Transcript().Transfers(TransferKind::Flash);
    return !flashes.empty() && flashes.back().blocks.size() >= 3;
  }));
  OnModal<QuestionDialog> question([](QuestionDialog& d) { d.FirstButton()->click(); });
  window->close();
  EXPECT_TRUE(question.Done());
  ASSERT_TRUE(WaitUntil([&] { return !window->isVisible(); }, std::chrono::seconds(30)));
  // What the log tells meanwhile: tests/cli_process_test.cpp.
  EXPECT_EQ(Bytes(dir / "flash.img", kBankSize + 0x10000, 0x8000), image);
  EXPECT_TRUE(Logged(*window, "Flash finished!"));
}

// Connects, dumps a preset, flashes a file and reads it back, goes on with
// a dump that stopped, backs up through the Tools menu and declines a
// restore, all on one connection.
TEST_F(GuiFlowTest, ConnectsDumpsAPresetFlashesAFileAndReadsItBack) {
  StartHandset("ComSpeed=460800\nBlockSize=8192\n");
  // Made-up patch files for the "Patcher DB" tab.
  WriteText(dir / "menus.cpf", std::string(4, '\0') + "1.2" + std::string(7, '\0') + "Ann Other" +
                                   std::string(11, '\0') + "Faster menus" + std::string(42, '\0'));
  WriteText(dir / "radio.cpf", std::string(4, '\0') + "0.9" + std::string(7, '\0') + "J. Doe" + std::string(14, '\0') +
                                   "FM radio fix" + std::string(42, '\0'));
  Open();
  Screenshot("tab_instruction");
  Connect();
  ASSERT_TRUE(WaitUntil([&] { return ControlsEnabled(); }));

  // The "Data BIN (3 Mb)" preset into a file.
  SelectTab(kDumperTabIndex);
  Part<QPushButton>("presetData")->click();
  Choose("dumpPage", dir / "data.bin");
  RunTransfer("dumpPage");
  EXPECT_TRUE(Logged(*window, "Offset = 0x2500000, size = 0x300000"));
  EXPECT_TRUE(ReadText(dir / "data.bin") ==
              Bytes(dir / "flash.img", kBankSize + kDataRegion.offset - kBank2Base, kDataRegion.size));

  // A file of our own into bank 2; the size box plays no part.
  std::string image(kImageSize, '\0');
  for (uint32_t i = 0; i < kImageSize; ++i) image[i] = static_cast<char>((i * 7) ^ (i >> 8));
  WriteText(dir / "image.bin", image);
  SelectTab(kFlasherTabIndex);
  Box("offsetBox")->setText("0x2010000");
  Choose("flashPage", dir / "image.bin");
  Part<QCheckBox>("verifyBox")->click();
  RunTransfer("flashPage");
  EXPECT_TRUE(Logged(*window, "Flash finished!"));
  EXPECT_EQ(ColouredLog(*window).back(), ColouredLine("Verify OK", kGreen));
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

  Screenshot("tab_dumper");
  SelectTab(kPatcherTabIndex);
  Screenshot("tab_patcher");

  // Tools -> Back up the handset... backs up both banks into the folder
  // chosen; Tools -> Restore a backup... checks it and asks before it would
  // overwrite the flash, and a "Cancel" sends nothing.
  const std::filesystem::path folder = dir / "backup";
  std::filesystem::create_directory(folder);
  const auto chooseFolder = [&](QFileDialog& d) {
    d.setDirectory(QString::fromStdString(folder.string()));
    QMetaObject::invokeMethod(&d, "accept");
  };
  {
    OnModal<QFileDialog> dialog(chooseFolder);
    TriggerMenu("Back up the handset...");
    EXPECT_TRUE(dialog.Done());
  }
  ASSERT_TRUE(
      WaitUntil([&] { return Logged(*window, "Backup complete: " + folder.string()); }, std::chrono::seconds(30)));
  EXPECT_EQ(Bytes(folder / "bank2.bin", 0, kBankSize), Bytes(dir / "flash.img", kBankSize, kBankSize));
  EXPECT_TRUE(ControlsEnabled());
  const size_t flashes = handset->Transcript().Packets(kCmdFlash).size();
  {
    OnModal<QFileDialog> dialog(chooseFolder);
    OnModal<QuestionDialog> question([](QuestionDialog& d) { d.SecondButton()->click(); });
    TriggerMenu("Restore a backup...");
    EXPECT_TRUE(dialog.Done());
    EXPECT_TRUE(question.Done());
  }
  EXPECT_EQ(handset->Transcript().Packets(kCmdFlash).size(), flashes);
  EXPECT_TRUE(ControlsEnabled());

  // Options wait for the disconnect.
  OnModal<OptionsDialog> options([](OptionsDialog& d) { d.reject(); });
  TriggerMenu("Options...");
  QCoreApplication::processEvents();
  EXPECT_FALSE(options.Done());

  MainButton()->click();
  WaitForClose();
  EXPECT_FALSE(ControlsEnabled());
  window->close();
  const std::string settings = ReadText(SettingsFile());
  EXPECT_NE(settings.find("Offset=0x2010000\nSize=0x3000\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("[Dumper]\nFileName=" + (dir / "part.bin").string()), std::string::npos) << settings;
  EXPECT_NE(settings.find("[Flasher]\nFileName=" + (dir / "image.bin").string() + "\nVerify=1\n"), std::string::npos)
      << settings;
}

}  // namespace
}  // namespace varnel::testing
