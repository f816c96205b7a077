// MainWindow: what the user asks for through the pages and the menu: the
// dump and flash requests handed to the worker, the message box they use,
// and the Options and About dialogs. GUI thread.
#include "gui/main_window.h"

#include <QFile>
#include <QMessageBox>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "texts/code_page.h"
#include "pages/about_dialog.h"
#include "format/hex_text.h"
#include "pages/options_dialog.h"
#include "settings/port_options.h"
#include "pages/region_panel.h"

namespace varnel {

void MainWindow::RequestDump(const QString& fileName) { RequestTransfer(kCommandDump, fileName); }

void MainWindow::RequestFlash(const QString& fileName) { RequestTransfer(kCommandFlash, fileName); }

void MainWindow::RequestTransfer(LinkCommand command, const QString& fileName) {
  // The worker idles (command 7) with the loader running both between
  // transfers and while one runs; only the control state tells them apart,
  // and the parameters must not change under a running transfer.
  if (!link.loaderActive.load() || link.command.load() != kCommandIdle ||
      controlsState != ControlsState::Ready) {
    ShowMessage(Display(text::kSwitchFirst));
    return;
  }
  // A text that is not a complete hexadecimal number refuses the request:
  // taking the previous value instead would write or read where nobody
  // asked. The flash takes its length from the file, so only the dump
  // needs its size.
  const std::string offsetText = regionPanel->GetOffsetText();
  const std::string sizeText = regionPanel->GetSizeText();
  const std::optional<uint32_t> offset = ScanHexText(offsetText);
  const std::optional<uint32_t> size = ScanHexText(sizeText);
  if (!offset) return RefuseRegionText(text::kBadOffsetText, offsetText);
  if (!size && command == kCommandDump) return RefuseRegionText(text::kBadSizeText, sizeText);
  link.offset = *offset;
  if (size) link.size = *size;
  // The name as the file system spells it. Names come from the file
  // dialog or from the settings file (259 characters at most), so the cut
  // to the buffer never applies in practice; it only keeps the terminator.
  const QByteArray name = QFile::encodeName(fileName);
  const size_t length = std::min<size_t>(static_cast<size_t>(name.size()), kFileNameBytes - 1);
  std::memcpy(link.fileName.get(), name.constData(), length);
  link.fileName[length] = '\0';
  // Last: the worker takes the parameters above when it sees the command.
  link.command.store(command);
}

void MainWindow::RefuseRegionText(uint16_t fieldText, const std::string& typed) {
  const std::string inCodePage = FromUtf8(typed, app.CodePage());
  char line[text::kTextCapacity + 1];
  std::snprintf(line, sizeof line, app.Text(fieldText).c_str(), inCodePage.c_str());
  AppendLog(line, kRed);
  ShowMessage(Display(text::kRegionTextForm));
}

void MainWindow::ShowMessage(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, Display(text::kMainCaption), text, QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void MainWindow::OnOptions() {
  // The port settings change only while disconnected.
  if (link.port.IsOpen()) return;
  const PortSettings before{comPort, comSpeed, blockSize.load()};
  OptionsDialog dialog(app, ChoicesFor(before), app.SettingsPath(), this);
  dialog.exec();
  // However the dialog was closed; they reach the settings file at the close.
  const PortSettings after = ApplyChoices(dialog.Choices(), before);
  comSpeed = after.comSpeed;
  comPort = after.comPort;
  blockSize.store(after.blockSize);
}

void MainWindow::OnAbout() {
  AboutDialog dialog(app, this);
  dialog.exec();
}

}  // namespace varnel
