// The Options, warning and About dialogs: the choices the Options dialog
// opens with, its captions and port captions over a fake device tree, and
// what the main window keeps after OK or Escape; the warning's Hide rules
// and texts; the About dialog's own version and build time.
#include "pages/about_dialog.h"
#include "pages/options_dialog.h"
#include "pages/warning_dialog.h"
#include "tests/fake_device_tree.h"
#include "tests/gui_test_support.h"

namespace varnel::testing {
namespace {

enum class CloseBy { Ok, Escape };

void Close(QDialog& dialog, CloseBy how, QAbstractButton* ok) {
  how == CloseBy::Ok ? ok->click() : QTest::keyClick(&dialog, Qt::Key_Escape);
}

class GuiDialogsTest : public GuiTest {};

TEST_F(GuiDialogsTest, TheOptionsCaptionsAndEachPortNamesItsDeviceWithTheAdaptersProductOrItsAbsence) {
  FakeDeviceTree tree;
  tree.AddUsbPort(kCableAdapter);
  tree.AddUsbPort({"ttyUSB3", "1a86", "7523", "", "ch341", ""});
  tree.AddUart("ttyS9", "4");
  WriteText(SettingsFile(), std::string("[Ports]\nCOM2=") + kCableAdapterLink + "\nCOM5=/dev/ttyS9\n");
  struct Case {
    int button;
    const char* caption;
  };
  constexpr std::array<Case, 6> kCases = {{
      {0, "COM1 (/dev/ttyUSB0, FT232R USB UART)"},
      {1, "COM2 (/dev/serial/by-id/usb-Cable_USB_UART_A1-if00-port0, FT232R USB UART)"},
      {2, "COM3 (/dev/ttyUSB2, not present)"},
      {3, "COM4 (/dev/ttyUSB3)"},
      {4, "COM5 (/dev/ttyS9)"},
      {7, "COM8 (/dev/ttyUSB7, not present)"},
  }};
  OptionsDialog dialog(app, {}, SettingsFile(), tree.Roots());
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.caption);
    QAbstractButton* button = dialog.PortGroup()->button(c.button);
    EXPECT_EQ(button->text(), c.caption);
    EXPECT_EQ(AccessibleName(button), c.caption);
    EXPECT_EQ(button->objectName(), "port" + QString::number(c.button + 1));
  }
  EXPECT_EQ(dialog.windowTitle(), "Varnel :: Options");
  std::vector<std::string> frames;
  for (QGroupBox* frame : dialog.findChildren<QGroupBox*>()) frames.push_back(frame->title().toStdString());
  EXPECT_EQ(frames, (std::vector<std::string>{"COM port:", "Speed:", "Block:"}));
}

// The Options dialog opens with the stored choices checked (none for a
// value no button offers); the window keeps what OK chose and nothing
// after Escape.
TEST_F(GuiDialogsTest, OptionsOpenWithTheStoredChoicesAndTheWindowKeepsWhatOkChose) {
  static constexpr char kNoButtons[] = "ComPort=9\nComSpeed=57600\nBlockSize=512\n";
  struct Case {
    const char* stored;
    std::array<int, 3> checked;  // port, speed, block
    bool click;                  // COM3, 230400 and 8192 before closing
    CloseBy close;
    const char* saved;
  };
  constexpr std::array<Case, 6> kCases = {{
      {"", {0, 0, 0}, true, CloseBy::Ok, "ComPort=3\nComSpeed=230400\nBlockSize=8192\n"},
      {"", {0, 0, 0}, true, CloseBy::Escape, "ComPort=1\nComSpeed=115200\nBlockSize=1024\n"},
      {"ComPort=3\nComSpeed=230400\nBlockSize=8192\n",
       {2, 1, 3},
       false,
       CloseBy::Ok,
       "ComPort=3\nComSpeed=230400\nBlockSize=8192\n"},
      // Values no button offers: speed and block survive OK, the port does not.
      {kNoButtons, {kNoChoice, kNoChoice, kNoChoice}, false, CloseBy::Ok, "ComPort=0\nComSpeed=57600\nBlockSize=512\n"},
      {kNoButtons, {kNoChoice, kNoChoice, kNoChoice}, false, CloseBy::Escape, kNoButtons},
      {kNoButtons, {kNoChoice, kNoChoice, kNoChoice}, true, CloseBy::Escape, kNoButtons},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.stored + std::to_string(static_cast<int>(c.close)));
    WriteText(SettingsFile(), std::string("[Settings]\n") + c.stored);
    Open();
    OnModal<OptionsDialog> options([&](OptionsDialog& d) {
      EXPECT_EQ(d.PortGroup()->checkedId(), c.checked[0]);
      EXPECT_EQ(d.SpeedGroup()->checkedId(), c.checked[1]);
      EXPECT_EQ(d.BlockGroup()->checkedId(), c.checked[2]);
      if (c.click) {
        d.PortGroup()->button(2)->click();
        d.SpeedGroup()->button(1)->click();
        d.BlockGroup()->button(3)->click();
      }
      Close(d, c.close, d.OkButton());
    });
    TriggerMenu("Options...");
    EXPECT_TRUE(options.Done());
    window->close();
    EXPECT_NE(ReadText(SettingsFile()).find(c.saved), std::string::npos) << ReadText(SettingsFile());
    window.reset();
  }
}

// The window skips a hidden warning and shows any other (the warnings'
// texts: tests/gui_connect_test.cpp); each warning has its own flag.
TEST_F(GuiDialogsTest, OnlyOkWithHideTickedHidesAWarningForGood) {
  struct Case {
    const char* stored;
    bool tick;
    CloseBy close;
    const char* file;  // the settings file afterwards
    bool hidden;
  };
  constexpr std::array<Case, 6> kCases = {{
      {"", true, CloseBy::Ok, "[Warning]\nHide4=1\n", true},
      {"", false, CloseBy::Ok, "", false},
      {"", true, CloseBy::Escape, "", false},
      // Only the value 1 hides ("01" reads as the integer 1), each
      // warning by its own flag.
      {"[Warning]\nHide4=2\nHide9=1\n", false, CloseBy::Ok, "[Warning]\nHide4=2\nHide9=1\n", false},
      {"[Warning]\nHide4=01\n", false, CloseBy::Escape, "[Warning]\nHide4=01\n", true},
      {"[Warning]\nHide4=\n", false, CloseBy::Escape, "[Warning]\nHide4=\n", false},
  }};
  Open();
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.stored) + (c.tick ? "tick" : "") + std::to_string(static_cast<int>(c.close)));
    std::filesystem::remove(SettingsFile());
    if (*c.stored != '\0') WriteText(SettingsFile(), c.stored);
    WarningDialog dialog(app, text::kConnectInstructions);
    EXPECT_EQ(dialog.IsHiddenForGood(), c.hidden && *c.stored != '\0');
    dialog.show();
    EXPECT_EQ(dialog.HideBox()->text(), "Hide");
    EXPECT_TRUE(dialog.OkButton()->isDefault());
    EXPECT_FALSE(dialog.HideBox()->isChecked());
    dialog.HideBox()->setChecked(c.tick);
    Close(dialog, c.close, dialog.OkButton());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(ReadText(SettingsFile()), c.file);
    ModalCloser closer;
    window->ShowWarning(text::kConnectInstructions);
    window->ShowWarning(text::kSerialModeNotice);
    EXPECT_EQ(closer.seen.size(), c.hidden ? 1u : 2u);
  }
}

TEST_F(GuiDialogsTest, AboutShowsTheProgramsOwnVersionAndBuildTime) {
  // The working directory holds no program file: the version is the
  // running program's own all the same.
  Open();
  QString version;
  QString build;
  OnModal<AboutDialog> about([&](AboutDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Varnel :: About");
    EXPECT_TRUE(d.CloseButton()->isDefault());
    EXPECT_EQ(d.CreditsText().count('\n'), 1);
    version = d.VersionText();
    build = d.BuildText();
    d.CloseButton()->click();
  });
  TriggerMenu("About");
  ASSERT_TRUE(about.Done());
  EXPECT_EQ(version, VARNEL_VERSION);
  EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d+\\.\\d+\\.\\d+$").match(version).hasMatch()) << version.toStdString();
  EXPECT_TRUE(QRegularExpression("^[A-Z][a-z]{2} [ 123]\\d \\d{4} -- \\d\\d:\\d\\d:\\d\\d$").match(build).hasMatch())
      << build.toStdString();
}

}  // namespace
}  // namespace varnel::testing
