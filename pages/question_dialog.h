// QuestionDialog: a question with two answers in the warning dialog's look,
// for choices that protect the handset: closing the window during a flash
// ("A flash is under way." / "Finish it" / "Abort it"), restoring a backup
// over the whole flash ("Restore" / "Cancel"). The first answer is the
// default; Escape gives the safe one, which the caller names. GUI thread.
#pragma once

#include <QDialog>

#include <cstdint>

#include "texts/application.h"

class QPushButton;

namespace varnel {

enum class Answer { First, Second };

class QuestionDialog : public QDialog {
  Q_OBJECT

 public:
  // `message` as shown (plain text); the answers' captions are text ids.
  // `onEscape` is what Escape (or the window manager's close) answers.
  QuestionDialog(const Application& app, const QString& message, uint16_t firstText, uint16_t secondText,
                 Answer onEscape, QWidget* parent = nullptr);

  // Runs the dialog modally and tells what was chosen.
  Answer Ask();

  QPushButton* FirstButton() const { return firstButton; }
  QPushButton* SecondButton() const { return secondButton; }

 private:
  QPushButton* firstButton;
  QPushButton* secondButton;
  Answer onEscape;
};

}  // namespace varnel
