// FlashQuestionDialog: what the window asks when it is closed while a flash
// is under way: "A flash is under way." with "Finish it" (the default, and
// what Escape chooses: a flash cut in half leaves the handset part-written)
// and "Abort it". The warning dialog's look. GUI thread.
#pragma once

#include <QDialog>

#include "texts/application.h"

class QPushButton;

namespace varnel {

enum class FlashChoice { Finish, Abort };

class FlashQuestionDialog : public QDialog {
  Q_OBJECT

 public:
  explicit FlashQuestionDialog(const Application& app, QWidget* parent = nullptr);

  // Runs the dialog modally and tells what was chosen.
  FlashChoice Ask();

  QPushButton* FinishButton() const { return finishButton; }
  QPushButton* AbortButton() const { return abortButton; }

 private:
  QPushButton* finishButton;
  QPushButton* abortButton;
};

}  // namespace varnel
