// A question with two answers.
#include "pages/question_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "pages/dialog_units.h"

namespace varnel {
namespace {

QString Display(const Application& app, uint16_t id) { return QString::fromStdString(app.ToDisplay(app.Text(id))); }

}  // namespace

QuestionDialog::QuestionDialog(const Application& app, const QString& message, uint16_t firstText, uint16_t secondText,
                               Answer escape, QWidget* parent)
    : QDialog(parent),
      firstButton(new QPushButton(Display(app, firstText))),
      secondButton(new QPushButton(Display(app, secondText))),
      onEscape(escape) {
  // A titled modal frame without a close box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(Display(app, text::kWarningCaption));
  auto* label = new QLabel(message);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setObjectName(QStringLiteral("questionText"));
  firstButton->setObjectName(QStringLiteral("firstButton"));
  secondButton->setObjectName(QStringLiteral("secondButton"));
  firstButton->setDefault(true);
  const DialogUnits units(font());
  label->setFixedWidth(units.X(kDialogMessageWidth));
  for (QPushButton* button : {firstButton, secondButton}) button->setMinimumWidth(units.X(kDialogButtonWidth));
  auto* layout = new QGridLayout(this);
  layout->addWidget(label, 0, 0, 1, 3);
  layout->addWidget(firstButton, 1, 1);
  layout->addWidget(secondButton, 1, 2);
  layout->setColumnStretch(0, 1);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(firstButton, &QPushButton::clicked, this, [this] { done(static_cast<int>(Answer::First) + 1); });
  connect(secondButton, &QPushButton::clicked, this, [this] { done(static_cast<int>(Answer::Second) + 1); });
}

Answer QuestionDialog::Ask() {
  firstButton->setFocus();
  // 0 is what Escape and a close give.
  const int result = exec();
  return result == 0 ? onEscape : static_cast<Answer>(result - 1);
}

}  // namespace varnel
