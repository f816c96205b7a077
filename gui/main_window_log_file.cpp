// MainWindow: the log and the line on files: File -> Save log..., and the
// line trace opened at each connect. GUI thread.
#include <QDir>
#include <QSaveFile>
#include <QString>

#include <cstdio>
#include <string>

#include "gui/log_view.h"
#include "gui/main_window.h"
#include "pages/file_dialog.h"
#include "settings/port_options.h"
#include "texts/code_page.h"

namespace varnel {
namespace {

// Offered in the working directory.
constexpr char kDefaultLogFileName[] = "varnel-log.txt";

}  // namespace

void MainWindow::OnSaveLog() {
  const QString initial = QDir::current().absoluteFilePath(QString::fromLatin1(kDefaultLogFileName));
  const QString path = ChooseTextFileToSave(this, initial);
  if (path.isEmpty()) return;
  QByteArray text;
  for (const QString& line : log->Lines()) text += line.toUtf8() + '\n';
  // Written whole or not at all: a file that was there stays as it was
  // when the write fails.
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit()) return;
  char line[text::kTextCapacity + 1];
  std::snprintf(line, sizeof line, app.Text(text::kSaveLogFailed).c_str(),
                FromUtf8(path.toStdString(), app.CodePage()).c_str());
  AppendLog(line, kRed);
  AppendLog(FromUtf8(file.errorString().toStdString(), app.CodePage()).c_str(), kGrey);
}

void MainWindow::OpenTrace() {
  if (traceFile.empty()) return;
  std::string reason;
  if (trace.Open(traceFile, TraceStart::Append, PortName(comPort), &reason)) return;
  char line[text::kTextCapacity + 1];
  std::snprintf(line, sizeof line, app.Text(text::kTraceOff).c_str(),
                NarrowToCodePage(traceFile, app.CodePage()).c_str());
  AppendLog(line, kGrey);
  AppendLog(NarrowToCodePage(reason, app.CodePage()).c_str(), kGrey);
}

}  // namespace varnel
