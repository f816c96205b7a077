// FilePage: what the flash and dump pages share: a file name (label, box,
// browse button "...") and a start button, and the file name's key in the
// settings file, read when the page is made and written when the main
// window really closes. GUI thread.
#pragma once

#include <QWidget>

#include <filesystem>
#include <string>

#include "app/application.h"
#include "pages/enabled.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace varnel {

class FilePage : public QWidget {
  Q_OBJECT

 public:
  // `section` names the page's section of the settings file; `startText`
  // is the text id of the start button's caption.
  FilePage(const Application& app, const char* section, uint16_t startText,
           QWidget* parent = nullptr);

  // Reads FileName of the page's section into the box.
  void LoadFileName(const std::filesystem::path& settingsFile);
  // Takes the box into the page's file name, then writes it. False when the
  // file could not be written.
  bool SaveFileName(const std::filesystem::path& settingsFile);

  std::string FileName() const { return fileName; }

  // The file-name label, box, browse button and start button.
  void EnableControls(Enabled enabled);

 private:
  const Application& app;
  const char* section;
  std::string fileName;
  QLabel* fileLabel;
  QLineEdit* fileBox;
  QPushButton* browseButton;
  QPushButton* startButton;
};

}  // namespace varnel
