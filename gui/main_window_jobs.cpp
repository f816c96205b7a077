// MainWindow: jobs of several transfers on the connection: backing up the
// whole handset and restoring a backup. GUI thread.
#include <QFileDialog>

#include <string>

#include "backup/backup_job.h"
#include "backup/restore_job.h"
#include "gui/main_window.h"
#include "pages/question_dialog.h"
#include "port/port_name.h"
#include "texts/code_page.h"

namespace varnel {
namespace {

// The folder the user picks, as the file system spells it; empty when
// cancelled.
std::string ChooseFolder(QWidget* parent, const QString& caption) {
  const QString folder = QFileDialog::getExistingDirectory(parent, caption);
  if (folder.isEmpty()) return {};
  const QByteArray encoded = QFile::encodeName(folder);
  return std::string(encoded.constData(), static_cast<size_t>(encoded.size()));
}

}  // namespace

std::string MainWindow::ChooseJobFolder(uint16_t caption) {
  if (job || !link.IsReady() || controlsState != ControlsState::Ready) {
    ShowMessage(Display(text::kSwitchFirst));
    return {};
  }
  return ChooseFolder(this, Display(caption));
}

void MainWindow::OnBackup() {
  const std::string folder = ChooseJobFolder(text::kBackupItem);
  if (folder.empty()) return;
  auto backup = std::make_unique<BackupJob>(
      app, *this, folder, BackupLine{PortName(comPort), static_cast<uint32_t>(comSpeed)}, StartAnew::No);
  if (backup->Begin()) RunJob(std::move(backup));
}

void MainWindow::OnRestore() {
  const std::string folder = ChooseJobFolder(text::kRestoreItem);
  if (folder.empty()) return;
  auto restore = std::make_unique<RestoreJob>(app, *this, folder);
  // The backup is checked before anyone is asked to overwrite the flash.
  if (!restore->Begin()) return;
  const QString warning = QString::fromStdString(app.ToDisplay(app.TextWithName(text::kRestoreWarning, folder)));
  if (QuestionDialog(app, warning, text::kRestoreButton, text::kCancelButton, Answer::Second, this).Ask() !=
      Answer::First) {
    return;
  }
  RunJob(std::move(restore));
}

void MainWindow::RunJob(std::unique_ptr<TransferJob> begun) {
  job = std::move(begun);
  jobProgress.Start(static_cast<uint32_t>(job->TotalBytes()));
  RunJobPart();
}

void MainWindow::RunJobPart() {
  const std::optional<TransferRequest> next = job->Next();
  if (!next || link.RequestTransfer(*next) != TransferRequestResult::Started) return FinishJob();
  flashRunning = next->kind == TransferKind::Flash;
}

void MainWindow::NextJobPart(const TransferOutcome& outcome) {
  if (!job) return;
  if (job->PartEnded(outcome)) return RunJobPart();
  FinishJob();
}

void MainWindow::FinishJob() {
  jobProgress.Stop();
  EndProgress(nullptr, kBlack);
  static_cast<void>(job->Finish());
  job.reset();
  // The controls come back when the loader is still there to serve them.
  if (link.IsReady()) OnLoaderReady();
}

}  // namespace varnel
