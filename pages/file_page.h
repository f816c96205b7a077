// FilePage: what the flash and dump pages share: the file name (label,
// read-only box, browse button "...") and the start button, the file
// name's key in the settings file (read at the main window's start-up,
// written when it really closes), and the request a click on the
// start button sends to the main window. The page checks nothing itself.
// GUI thread.
#pragma once

#include <QString>
#include <QWidget>

#include <filesystem>
#include <vector>

#include "pages/enabled.h"
#include "pages/file_dialog.h"
#include "settings/profile_store.h"
#include "texts/application.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace varnel {

class FilePage : public QWidget {
  Q_OBJECT

 public:
  // `section` names the page's section of the settings file; `startText`
  // is the text id of the start button's caption; `dialogKind` the file
  // dialog the browse button runs.
  FilePage(const Application& app, const char* section, uint16_t startText, FileDialogKind dialogKind,
           QWidget* parent = nullptr);

  // Takes FileName of the page's section of `settings` (see
  // varnel::LoadFileName) into the file name and the box.
  void LoadFileName(const Profile& settings);
  // Takes the box into the file name, then writes it to `settingsFile`
  // (see varnel::SaveFileName). False when the settings file could not be
  // written.
  bool SaveFileName(const std::filesystem::path& settingsFile);

  // The file name as shown: chosen with Browse or loaded.
  QString FileName() const { return fileName; }

  // The file-name label, box, browse button and start button together.
  void EnableControls(Enabled enabled);

  // The page's controls in keyboard order.
  std::vector<QWidget*> TabOrder() const;

  // Runs the page's file dialog; a confirmed file becomes the file name,
  // a cancel changes nothing.
  void Browse();

 signals:
  // The start button was clicked; carries the file name.
  void StartRequested(const QString& fileName);

 protected:
  // Puts `option` (a check box) between the file name and the start
  // button; it is enabled and tabbed through with the other controls.
  void AddOption(QWidget* option);

 private:
  void BuildLayout();
  void WireActions();

  const Application& app;
  const char* section;
  FileDialogKind dialogKind;
  QString fileName;
  QLabel* fileLabel;
  QLineEdit* fileBox;
  QPushButton* browseButton;
  QPushButton* startButton;
  std::vector<QWidget*> options;
};

}  // namespace varnel
