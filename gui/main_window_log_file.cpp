// MainWindow: the log and the line on files: File -> Save log..., and the
// line trace opened at each connect. GUI thread.
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>
#include <string>
#include <system_error>

#include "files/narrow_path.h"
#include "files/replace_file.h"
#include "files/transfer_file.h"
#include "gui/log_view.h"
#include "gui/main_window.h"
#include "pages/file_dialog.h"
#include "port/port_name.h"
#include "texts/code_page.h"

namespace varnel {
namespace {

// Offered in the working directory.
constexpr char kDefaultLogFileName[] = "varnel-log.txt";

}  // namespace

void MainWindow::OnSaveLog() {
  const QString initial = QDir::current().absoluteFilePath(QString::fromLatin1(kDefaultLogFileName));
  const QString path = ChooseTextFileToSave(this, app, initial);
  if (path.isEmpty()) return;
  std::string text;
  for (const QString& line : log->Lines()) text += line.toStdString() + '\n';
  // Written whole or not at all (a file that was there stays as it was
  // when the write fails), never through a link, private when new.
  const QByteArray encoded = QFile::encodeName(path);
  const std::string name(encoded.constData(), static_cast<size_t>(encoded.size()));
  std::string reason;
  if (ReplaceFile(PathFromNarrow(name), text, &reason)) return;
  AppendLog(app.TextWithName(text::kSaveLogFailed, name).c_str(), kRed);
  AppendLog(NarrowToCodePage(reason, app.CodePage()).c_str(), kGrey);
}

void MainWindow::OpenTrace() {
  tracePath.clear();
  if (traceFile.empty()) return;
  if (!TraceFileAllowed(traceFile, settingsPlace)) {
    AppendLog(app.TextWithName(text::kTraceFileIgnored, traceFile).c_str(), kGrey);
    return;
  }
  // The name as the file system spells it.
  const QByteArray encoded = QFile::encodeName(QString::fromStdString(traceFile));
  const std::string name(encoded.constData(), static_cast<size_t>(encoded.size()));
  for (const std::filesystem::path& input : {app.SettingsPath(), app.ConfigFile(kLoaderPackageName)}) {
    if (!SameFile(name.c_str(), NarrowFromPath(input).c_str())) continue;
    AppendLog(app.TextWithName(text::kTraceIsProgramFile, name).c_str(), kGrey);
    return;
  }
  std::string reason;
  if (trace.Open(name, TraceStart::Append, PortName(comPort), &reason)) {
    tracePath = name;
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(PathFromNarrow(name), error);
    AppendLog(app.TextWithName(text::kTraceFileIs, NarrowFromPath(full)).c_str(), kGrey);
    return;
  }
  AppendLog(app.TextWithName(text::kTraceOff, name).c_str(), kGrey);
  AppendLog(NarrowToCodePage(reason, app.CodePage()).c_str(), kGrey);
}

}  // namespace varnel
