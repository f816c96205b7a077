// AboutDialog: the program's version, the date and time it was built, and
// who made it, in read-only fields, with a "Close" button. It changes no
// setting and does not touch the link, so it opens in any state. GUI
// thread.
#pragma once

#include <QDialog>

#include "texts/application.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace varnel {

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(const Application& app, QWidget* parent = nullptr);

  QString VersionText() const;
  QString BuildText() const;
  QString CreditsText() const;
  QPushButton* CloseButton() const { return closeButton; }

 private:
  void BuildLayout();

  QLineEdit* versionField;
  QLineEdit* buildField;
  QPlainTextEdit* creditsField;
  QPushButton* closeButton;
};

}  // namespace varnel
