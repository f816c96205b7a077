// MainWindow as the link's owner: the log, the progress display, the main
// button's caption, the control states and the warnings. All run on the
// GUI thread (the worker's calls arrive through the bridge).
#include "gui/main_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include <algorithm>
#include <ctime>
#include <optional>

#include "gui/log_view.h"
#include "gui/page_layout.h"
#include "gui/progress_scale.h"
#include "pages/dump_page.h"
#include "pages/flash_page.h"
#include "pages/region_panel.h"
#include "pages/warning_dialog.h"
#include "texts/log_line.h"

namespace varnel {

void MainWindow::AppendLog(const char* text, LogColour colour) {
  const std::optional<std::string> line = FormatLogLine(app.ToDisplay(text != nullptr ? text : ""), std::time(nullptr));
  if (!line) return;
  log->AppendLine(QString::fromStdString(*line), ToQColor(colour));
  // Selecting a tab lays the window out for it (ShowPage).
  if (tabs->currentIndex() == kInstructionTabIndex) {
    tabs->setCurrentIndex(kFlasherTabIndex);
  } else if (tabs->currentIndex() == kPatcherTabIndex) {
    tabs->setCurrentIndex(kDumperTabIndex);
  }
}

void MainWindow::ClearLog() { log->clear(); }

void MainWindow::BeginProgress(const char* logText, const char* status, uint32_t total, uint32_t unit,
                               LogColour colour) {
  progressStatus = status != nullptr ? QString::fromStdString(app.ToDisplay(status)) : QString();
  statusText->setText(progressStatus);
  // A job's transfers share one display, started by the first of them.
  bool fresh = true;
  total = jobProgress.Begin(total, &fresh);
  if (logText != nullptr) AppendLog(logText, colour);
  if (!fresh) return;
  progressTotal = total;
  progressUpperBound = ProgressUpperBound(total, unit);
  // A range of 0..0 would show Qt's busy animation; 0..1 at 0 is empty.
  progressBar->setRange(0, std::max<int>(progressUpperBound, 1));
  progressBar->setValue(0);
  rateMeter.Start(total, RateMeter::Clock::now());
  counter->setText(QString::fromStdString(ProgressCounterText(0, total)));
  progressBar->show();
  statusText->show();
  counter->show();
}

void MainWindow::StepProgress(uint32_t done, uint32_t unit) {
  done = jobProgress.Step(done);
  progressBar->setValue(ProgressPosition(done, unit, progressUpperBound));
  counter->setText(QString::fromStdString(ProgressCounterText(done, progressTotal)));
  const auto now = RateMeter::Clock::now();
  rateMeter.Step(done, now);
  if (rateMeter.RefreshDue(now)) {
    const QString rate = QString::fromStdString(app.ToDisplay(RateAndTimeLeftText(app, rateMeter)));
    statusText->setText(progressStatus.isEmpty() ? rate : progressStatus + QLatin1Char(' ') + rate);
  }
}

void MainWindow::EndProgress(const char* logText, LogColour colour) {
  if (logText != nullptr) AppendLog(logText, colour);
  if (!jobProgress.Hides()) return;
  progressBar->hide();
  statusText->hide();
  counter->hide();
}

void MainWindow::SetButtonMode(ButtonMode mode) {
  previousButtonMode = buttonMode;
  buttonMode = mode;
  mainButton->setText(Display(mode == ButtonMode::Connected ? text::kDisconnect : text::kSwitchToSerial));
}

void MainWindow::EnableControls(Enabled enabled) {
  regionPanel->EnableAll(enabled);
  flashPage->EnableControls(enabled);
  dumpPage->EnableControls(enabled);
}

void MainWindow::OnLinkBusy() {
  EnableControls(Enabled::No);
  controlsState = ControlsState::Locked;
  ShowPage(tabs->currentIndex());
}

void MainWindow::OnLoaderReady() {
  // Between the parts of a job the controls stay locked.
  if (job) return;
  EnableControls(Enabled::Yes);
  controlsState = ControlsState::Ready;
  ShowPage(tabs->currentIndex());
}

void MainWindow::OnLinkClosed() {
  SetButtonMode(previousButtonMode);
  EnableControls(Enabled::No);
  controlsState = ControlsState::Closed;
  ShowPage(tabs->currentIndex());
  // The worker still closes the port once this returns: the close waits
  // for it on this thread's next turn.
  if (quitting) {
    QMetaObject::invokeMethod(
        this,
        [this] {
          ReapWorker();
          close();
        },
        Qt::QueuedConnection);
  }
}

void MainWindow::ShowWarning(uint16_t textId) {
  // A warning hidden for good returns at once, unseen.
  WarningDialog dialog(app, textId, this);
  dialog.exec();
}

void MainWindow::OnTransferEnded(const TransferOutcome& outcome) {
  flashRunning = false;
  // The worker is still inside this call: the job goes on from this
  // thread's next turn.
  if (job)
    QMetaObject::invokeMethod(
        this, [this, outcome] { NextJobPart(outcome); }, Qt::QueuedConnection);
}

LoaderPackage* MainWindow::PackageFile() { return &package; }

uint32_t MainWindow::BlockSize() { return static_cast<uint32_t>(blockSize.load()); }

}  // namespace varnel
