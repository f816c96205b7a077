// Choosing the flash or dump page's file (or where the log is saved) with
// Qt's file dialogs: binary
// files first, then all files; ".bin" added to a name typed without an
// extension. For a dump, a read-only file (no write permission at all, or
// not writable by this user), or one in such a folder, is refused with a
// message and the dialog shown again; a flash only reads its file, so a
// read-only image is taken. The process's working
// directory (where the settings, patch files and loader package are found)
// is the same afterwards. GUI thread.
#pragma once

#include <QString>

#include "texts/application.h"

class QWidget;

namespace varnel {

enum class FileDialogKind {
  Save,  // any name; an existing file only after the user confirms overwriting it
  Open,  // an existing file only
};

// Runs the modal dialog owned by `parent`, starting at `initial`. The chosen
// file's absolute path, or an empty string when the user cancelled.
// `app` gives the refusal's texts.
QString ChooseFile(QWidget* parent, const Application& app, FileDialogKind kind, const QString& initial);

// The same save dialog for a text file: text files first, then all files;
// ".txt" added to a name typed without an extension.
QString ChooseTextFileToSave(QWidget* parent, const Application& app, const QString& initial);

}  // namespace varnel
