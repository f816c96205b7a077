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

#include "files/transfer_file.h"
#include "format/hex_text.h"
#include "link/dump_resume.h"
#include "pages/about_dialog.h"
#include "pages/flash_page.h"
#include "pages/options_dialog.h"
#include "pages/question_dialog.h"
#include "pages/region_panel.h"
#include "settings/port_options.h"
#include "texts/code_page.h"

namespace varnel {

void MainWindow::RequestDump(const QString& fileName) { RequestTransfer(TransferKind::Dump, fileName); }

void MainWindow::RequestFlash(const QString& fileName) { RequestTransfer(TransferKind::Flash, fileName); }

void MainWindow::RequestTransfer(TransferKind kind, const QString& fileName) {
  // The worker idles with the loader running both between transfers and
  // while one runs; only the control state tells them apart, and a request
  // must not come in under a running transfer.
  if (!link.IsReady() || controlsState != ControlsState::Ready) {
    ShowMessage(Display(text::kSwitchFirst));
    return;
  }
  // A text that is not a complete hexadecimal number refuses the request:
  // taking the previous value instead would write or read where nobody
  // asked. The flash takes its length from the file, so only the dump
  // needs its size; a flash keeps the size of the last request for its log.
  const std::string offsetText = regionPanel->GetOffsetText();
  const std::string sizeText = regionPanel->GetSizeText();
  const std::optional<uint32_t> offset = ScanHexText(offsetText);
  const std::optional<uint32_t> size = ScanHexText(sizeText);
  if (!offset) return RefuseRegionText(text::kBadOffsetText, offsetText);
  if (!size && kind == TransferKind::Dump) return RefuseRegionText(text::kBadSizeText, sizeText);
  // The name as the file system spells it.
  const QByteArray encoded = QFile::encodeName(fileName);
  const std::string name(encoded.constData(), static_cast<size_t>(encoded.size()));
  // A dump into the trace's file would be written over by the trace, a
  // flash of it would send a file that grows as it goes.
  if (!tracePath.empty() && SameFile(name.c_str(), tracePath.c_str())) {
    AppendLog(app.TextWithName(text::kFileIsTrace, name).c_str(), kRed);
    return;
  }
  TransferRequest request{kind, *offset, size.value_or(link.LastRequest().size), name,
                          kind == TransferKind::Flash && flashPage->Verify()};
  // A file that holds the first part of this region, from a dump that
  // stopped, may be gone on with.
  if (kind == TransferKind::Dump) {
    const ResumePlan plan = PlanResume(name, {request.offset, request.size});
    if (plan.verdict == ResumeVerdict::Resume) {
      char question[text::kTextCapacity + 1];
      std::snprintf(question, sizeof question, app.Text(text::kContinueDump).c_str(),
                    NarrowToCodePage(name, app.CodePage()).c_str(), static_cast<unsigned>(plan.kept),
                    static_cast<unsigned>(request.size));
      request.resume = QuestionDialog(app, QString::fromStdString(app.ToDisplay(question)), text::kGoOnButton,
                                      text::kStartAnewButton, Answer::Second, this)
                           .Ask() == Answer::First;
    }
  }
  if (link.RequestTransfer(request) != TransferRequestResult::Started) {
    ShowMessage(Display(text::kSwitchFirst));
    return;
  }
  flashRunning = kind == TransferKind::Flash;
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
  if (link.IsOpen()) return;
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
