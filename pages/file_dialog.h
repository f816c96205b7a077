// Choosing the flash or dump page's file with Qt's file dialogs: binary
// files first, then all files; ".bin" added to a name typed without an
// extension; a read-only file, or one in a folder that can't be written,
// refused with a message and the dialog shown again. The process's working
// directory (where the settings, patch files and loader package are found)
// is the same afterwards. GUI thread.
#pragma once

#include <QString>

class QWidget;

namespace varnel {

enum class FileDialogKind {
  Save,  // any name; an existing file only after the user confirms overwriting it
  Open,  // an existing file only
};

// Runs the modal dialog owned by `parent`, starting at `initial`. The chosen
// file's absolute path, or an empty string when the user cancelled.
QString ChooseFile(QWidget* parent, FileDialogKind kind, const QString& initial);

}  // namespace varnel
