// The Options, warning and About dialogs: the choices the Options dialog
// opens with, its captions and port captions over a fake device tree, and
// what the main window keeps after OK or Escape; the warning's Hide rules
// and texts; the About dialog's own version and build time.
#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>

#include <array>
#include <vector>

#include "pages/about_dialog.h"
#include "pages/options_dialog.h"
#include "pages/warning_dialog.h"
#include "tests/fake_device_tree.h"
#include "tests/gui_test_support.h"

namespace varnel::testing {
namespace {

enum class CloseBy { Ok, Escape };

void Close(QDialog& dialog, CloseBy how, QAbstractButton* ok) {
  if (how == CloseBy::Ok) {
    ok->click();
    return;
  }
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(&dialog, &escape);
}

class GuiDialogsTest : public GuiTest {
 protected:
  void TriggerMenu(const char* item) {
    for (QAction* top : window->findChild<QMenuBar*>()->actions()) {
      for (QAction* action : top->menu()->actions()) {
        if (action->text() == item) action->trigger();
      }
    }
  }
};

TEST_F(GuiDialogsTest, OptionsOpenWithTheStoredChoices) {
  struct Case {
    OptionChoices opening;
    std::array<int, 3> checked;  // port, speed, block
  };
  const std::array<Case, 3> kCases = {{
      {{2, 1, 3}, {2, 1, 3}},
      {{8, kNoChoice, kNoChoice}, {kNoChoice, kNoChoice, kNoChoice}},  // COM9, 57600, 512
      {{kNoChoice, 0, 0}, {kNoChoice, 0, 0}},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.opening.port);
    OptionsDialog dialog(app, c.opening, SettingsFile());
    EXPECT_EQ(dialog.PortGroup()->checkedId(), c.checked[0]);
    EXPECT_EQ(dialog.SpeedGroup()->checkedId(), c.checked[1]);
    EXPECT_EQ(dialog.BlockGroup()->checkedId(), c.checked[2]);
  }
}

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
  EXPECT_EQ(dialog.BlockGroup()->button(3)->text(), "8192");
  EXPECT_EQ(dialog.OkButton()->text(), "Ok");
}

TEST_F(GuiDialogsTest, TheMainWindowKeepsWhatOkChoseAndNothingAfterEscape) {
  struct Case {
    const char* stored;
    bool click;  // COM3, 230400 and 8192 before closing
    CloseBy close;
    const char* saved;
  };
  constexpr std::array<Case, 5> kCases = {{
      {"", true, CloseBy::Ok, "ComPort=3\nComSpeed=230400\nBlockSize=8192\n"},
      {"", true, CloseBy::Escape, "ComPort=1\nComSpeed=115200\nBlockSize=1024\n"},
      // Values no button offers: speed and block survive OK, the port does not.
      {"ComPort=9\nComSpeed=57600\nBlockSize=512\n", false, CloseBy::Ok, "ComPort=0\nComSpeed=57600\nBlockSize=512\n"},
      {"ComPort=9\nComSpeed=57600\nBlockSize=512\n", false, CloseBy::Escape,
       "ComPort=9\nComSpeed=57600\nBlockSize=512\n"},
      {"ComPort=9\nComSpeed=57600\nBlockSize=512\n", true, CloseBy::Escape,
       "ComPort=9\nComSpeed=57600\nBlockSize=512\n"},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.stored + std::to_string(static_cast<int>(c.close)));
    std::filesystem::remove(SettingsFile());
    WriteText(SettingsFile(), std::string("[Settings]\n") + c.stored);
    Open();
    OnModal<OptionsDialog> options([&](OptionsDialog& d) {
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

TEST_F(GuiDialogsTest, OnlyOkWithHideTickedHidesAWarningForGood) {
  struct Case {
    const char* stored;
    bool tick;
    CloseBy close;
    const char* file;  // the settings file afterwards
    bool hidden;
  };
  constexpr std::array<Case, 4> kCases = {{
      {"", true, CloseBy::Ok, "[Warning]\nHide4=1\n", true},
      {"", false, CloseBy::Ok, "", false},
      {"", true, CloseBy::Escape, "", false},
      {"[Warning]\nHide4=2\n", false, CloseBy::Ok, "[Warning]\nHide4=2\n", false},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.stored) + (c.tick ? "tick" : "") + std::to_string(static_cast<int>(c.close)));
    std::filesystem::remove(SettingsFile());
    if (*c.stored != '\0') WriteText(SettingsFile(), c.stored);
    WarningDialog dialog(app, text::kConnectInstructions);
    ASSERT_FALSE(dialog.IsHiddenForGood());
    dialog.show();
    EXPECT_FALSE(dialog.HideBox()->isChecked());
    dialog.HideBox()->setChecked(c.tick);
    Close(dialog, c.close, dialog.OkButton());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(ReadText(SettingsFile()), c.file);
    EXPECT_EQ(WarningDialog(app, text::kConnectInstructions).IsHiddenForGood(), c.hidden);
    // Each warning has its own flag.
    EXPECT_FALSE(WarningDialog(app, text::kSerialModeNotice).IsHiddenForGood());
  }
}

// The window's warnings come from the worker (tests/gui_connect_test.cpp):
// a hidden one is skipped here, and only the value 1 hides.
TEST_F(GuiDialogsTest, AHiddenWarningReturnsAtOnceAndOthersShowTheirText) {
  WriteText(SettingsFile(), "[Warning]\nHide4=2\nHide6=1\n");
  Open();
  {
    ModalCloser closer;
    window->ShowWarning(text::kSerialModeNotice);
    EXPECT_TRUE(closer.seen.empty());
  }
  OnModal<WarningDialog> shown([](WarningDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Varnel");
    EXPECT_EQ(d.HideBox()->text(), "Hide");
    EXPECT_TRUE(d.OkButton()->isDefault());
    EXPECT_EQ(d.Text().toStdString(),
              "1. Switch OFF your phone!\n2. Connect phone to flash cabel\n"
              "3. If it's not start automaticaly, press ON button and HOLD it until MessageBox appear!");
    d.OkButton()->click();
  });
  window->ShowWarning(text::kConnectInstructions);
  EXPECT_TRUE(shown.Done());
}

TEST_F(GuiDialogsTest, AboutShowsTheProgramsOwnVersionAndBuildTime) {
  // The working directory holds no program file: the version is the
  // running program's own all the same.
  Open();
  QString version;
  QString build;
  QString credits;
  OnModal<AboutDialog> about([&](AboutDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Varnel :: About");
    EXPECT_EQ(d.CloseButton()->text(), "Close");
    EXPECT_TRUE(d.CloseButton()->isDefault());
    version = d.VersionText();
    build = d.BuildText();
    credits = d.CreditsText();
    d.CloseButton()->click();
  });
  TriggerMenu("About");
  ASSERT_TRUE(about.Done());
  EXPECT_EQ(version, VARNEL_VERSION);
  EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d+\\.\\d+\\.\\d+$").match(version).hasMatch()) << version.toStdString();
  EXPECT_TRUE(QRegularExpression("^[A-Z][a-z]{2} [ 123]\\d \\d{4} -- \\d\\d:\\d\\d:\\d\\d$").match(build).hasMatch())
      << build.toStdString();
  EXPECT_EQ(credits.count('\n'), 1);
}

}  // namespace
}  // namespace varnel::testing
