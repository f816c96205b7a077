// WarningDialog: one instruction or notice, chosen by its text id, with an
// OK button and a "Hide" check box. OK with the box ticked hides that
// warning for good (key "Hide<id>" = 1 in section "Warning" of the settings
// file); a warning already hidden closes before it is shown. Escape closes
// it without writing anything. A fresh dialog per warning. GUI thread.
#pragma once

#include <QDialog>

#include <cstdint>

#include "texts/application.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace varnel {

class WarningDialog : public QDialog {
  Q_OBJECT

 public:
  // Reads the warning's hide flag from the settings file.
  WarningDialog(const Application& app, uint16_t textId, QWidget* parent = nullptr);

  // Runs the dialog modally; a hidden warning returns Accepted at once
  // without being shown.
  int exec() override;

  // OK: a ticked box writes the hide flag, then the dialog closes.
  void accept() override;

  bool IsHiddenForGood() const { return hiddenForGood; }
  QString Text() const;
  QCheckBox* HideBox() const { return hideBox; }
  QPushButton* OkButton() const { return okButton; }

 private:
  const Application& app;
  uint16_t textId;
  bool hiddenForGood;
  QLabel* message;
  QCheckBox* hideBox;
  QPushButton* okButton;
};

}  // namespace varnel
