// The file dialogs of the flash and dump pages.
#include "pages/file_dialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "format/file_filter.h"
#include "texts/code_page.h"

namespace varnel {
namespace {

// Qt's filters read "Caption (patterns)". The caption keeps its own
// "(*.*)"; the patterns Qt matches are in a second pair of parentheses,
// which HideNameFilterDetails keeps out of sight.
QStringList QtNameFilters(const char* filterText) {
  QStringList filters;
  for (const FileFilter& filter : ParseFileFilters(filterText)) {
    QStringList patterns;
    for (const std::string& pattern : filter.patterns) patterns << QString::fromStdString(pattern);
    filters << QString::fromStdString(filter.caption) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
  }
  return filters;
}

// A file or folder without any write permission bit is read-only for
// everybody: the superuser passes every access check (and Qt's WriteUser
// follows that check), so the mode bits are looked at too.
bool IsReadOnly(const QFileInfo& info) {
  constexpr QFile::Permissions kAnyWriteBit = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
  return (info.permissions() & kAnyWriteBit) == 0 || !info.isWritable();
}

// Where a dump may write: not a read-only file, nor in a read-only folder.
bool IsWritablePlace(const QString& path) {
  const QFileInfo file(path);
  if (file.exists() && IsReadOnly(file)) return false;
  return !IsReadOnly(QFileInfo(file.absolutePath()));
}

// Puts the working directory back however the dialog ends.
class WorkingDirKeeper {
 public:
  WorkingDirKeeper() : saved(std::filesystem::current_path(error)) {}
  ~WorkingDirKeeper() {
    if (!error) std::filesystem::current_path(saved, error);
  }
  WorkingDirKeeper(const WorkingDirKeeper&) = delete;
  WorkingDirKeeper& operator=(const WorkingDirKeeper&) = delete;

 private:
  std::error_code error;
  std::filesystem::path saved;
};

// The dialog with the filters of `filterText` and the suffix added to a
// name typed without one.
QString RunFileDialog(QWidget* parent, const Application& app, FileDialogKind kind, const QString& initial,
                      const char* filterText, const char* suffix) {
  const WorkingDirKeeper keeper;
  const bool save = kind == FileDialogKind::Save;
  QFileDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("fileDialog"));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters(QtNameFilters(filterText));
  dialog.setDefaultSuffix(QString::fromLatin1(suffix));
  dialog.selectFile(initial);
  while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    const QString chosen = QDir::cleanPath(QFileInfo(dialog.selectedFiles().front()).absoluteFilePath());
    // A flash only reads its file: read-only images are fine.
    if (!save || IsWritablePlace(chosen)) return QDir::toNativeSeparators(chosen);
    // The system's own dialogs word this refusal themselves; Qt's do not.
    const std::string where = FromUtf8(QDir::toNativeSeparators(chosen).toStdString(), app.CodePage());
    char message[text::kTextCapacity + 1];
    std::snprintf(message, sizeof message, app.Text(text::kReadOnlyChosen).c_str(), where.c_str());
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(app.ToDisplay(app.Text(text::kReadOnlyCaption))),
                    QString::fromStdString(app.ToDisplay(message)), QMessageBox::Ok, &dialog);
    box.setTextFormat(Qt::PlainText);
    box.exec();
  }
  return {};
}

}  // namespace

QString ChooseFile(QWidget* parent, const Application& app, FileDialogKind kind, const QString& initial) {
  return RunFileDialog(parent, app, kind, initial, kBinaryFileFilter, kBinaryFileSuffix);
}

QString ChooseTextFileToSave(QWidget* parent, const Application& app, const QString& initial) {
  return RunFileDialog(parent, app, FileDialogKind::Save, initial, kTextFileFilter, kTextFileSuffix);
}

}  // namespace varnel
