// The warning dialog.
#include "pages/warning_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "pages/dialog_units.h"
#include "settings/settings.h"

namespace varnel {
namespace {

// The OK button keeps the caption of the dialog's template.
constexpr char kOkCaption[] = "OK";

QString Display(const Application& app, uint16_t id) { return QString::fromStdString(app.ToDisplay(app.Text(id))); }

}  // namespace

WarningDialog::WarningDialog(const Application& application, uint16_t id, QWidget* parent)
    : QDialog(parent),
      app(application),
      textId(id),
      hiddenForGood(IsWarningHidden(app.SettingsPath(), id)),
      message(new QLabel),
      hideBox(new QCheckBox(Display(app, text::kHide))),
      okButton(new QPushButton(QString::fromLatin1(kOkCaption))) {
  // A titled modal frame without a close box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(Display(app, text::kWarningCaption));
  // The texts separate their lines with CR LF; a label wants LF alone.
  QString shown = Display(app, textId);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  message->setText(shown);
  message->setTextFormat(Qt::PlainText);
  message->setWordWrap(true);
  message->setTextInteractionFlags(Qt::TextSelectableByMouse);
  message->setObjectName(QStringLiteral("warningText"));
  hideBox->setObjectName(QStringLiteral("hideBox"));
  okButton->setObjectName(QStringLiteral("okButton"));
  okButton->setDefault(true);

  const DialogUnits units(font());
  message->setFixedWidth(units.X(kDialogMessageWidth));
  okButton->setMinimumWidth(units.X(kDialogButtonWidth));
  auto* layout = new QGridLayout(this);
  layout->addWidget(message, 0, 0, 1, 3);
  layout->addWidget(hideBox, 1, 0);
  layout->addWidget(okButton, 1, 1);
  layout->setColumnStretch(2, 1);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  setTabOrder(okButton, hideBox);
  connect(okButton, &QPushButton::clicked, this, &WarningDialog::accept);
}

int WarningDialog::exec() {
  if (hiddenForGood) return QDialog::Accepted;
  okButton->setFocus();
  return QDialog::exec();
}

void WarningDialog::accept() {
  if (hideBox->isChecked()) {
    // A file that can't be written shows the warning again next time.
    static_cast<void>(HideWarning(app.SettingsPathForWriting(), textId));
  }
  QDialog::accept();
}

QString WarningDialog::Text() const { return message->text(); }

}  // namespace varnel
