// The question asked when the window is closed during a flash.
#include "pages/flash_question_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "pages/dialog_units.h"

namespace varnel {
namespace {

QString Display(const Application& app, uint16_t id) {
  return QString::fromStdString(app.ToDisplay(app.Text(id)));
}

}  // namespace

FlashQuestionDialog::FlashQuestionDialog(const Application& app, QWidget* parent)
    : QDialog(parent),
      finishButton(new QPushButton(Display(app, text::kFinishFlash))),
      abortButton(new QPushButton(Display(app, text::kAbortFlash))) {
  // A titled modal frame without a close box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(Display(app, text::kWarningCaption));
  auto* message = new QLabel(Display(app, text::kFlashUnderWay));
  message->setTextFormat(Qt::PlainText);
  message->setWordWrap(true);
  message->setObjectName(QStringLiteral("questionText"));
  finishButton->setObjectName(QStringLiteral("finishButton"));
  abortButton->setObjectName(QStringLiteral("abortButton"));
  finishButton->setDefault(true);
  const DialogUnits units(font());
  message->setFixedWidth(units.X(kDialogMessageWidth));
  for (QPushButton* button : {finishButton, abortButton}) button->setMinimumWidth(units.X(kDialogButtonWidth));
  auto* layout = new QGridLayout(this);
  layout->addWidget(message, 0, 0, 1, 3);
  layout->addWidget(finishButton, 1, 1);
  layout->addWidget(abortButton, 1, 2);
  layout->setColumnStretch(0, 1);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(finishButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(abortButton, &QPushButton::clicked, this, &QDialog::reject);
}

FlashChoice FlashQuestionDialog::Ask() {
  finishButton->setFocus();
  bool aborted = false;
  connect(abortButton, &QPushButton::clicked, this, [&aborted] { aborted = true; });
  exec();
  return aborted ? FlashChoice::Abort : FlashChoice::Finish;
}

}  // namespace varnel
