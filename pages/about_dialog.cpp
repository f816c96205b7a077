// The About dialog.
#include "pages/about_dialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "pages/accessible_name.h"
#include "pages/dialog_units.h"
#include "texts/program_version.h"

namespace varnel {
namespace {

// The labels keep the captions of the dialog's template.
constexpr char kVersionLabel[] = "Version:";
constexpr char kBuildLabel[] = "Build on:";
constexpr char kCreditsLabel[] = "Made by:";
// Two lines, CR LF between them, as the texts of this program are kept.
constexpr char kCredits[] =
    "The Varnel developers, who wrote it.\r\n"
    "Thanks to everyone who tried it on a handset.";

// Field and button widths and the credits' height, in dialog units.
constexpr int kFieldWidth = 108;
constexpr int kCreditsWidth = 161;
constexpr int kCreditsHeight = 24;

QLineEdit* ReadOnlyField(const QString& text) {
  auto* field = new QLineEdit(text);
  field->setReadOnly(true);
  field->setCursorPosition(0);
  return field;
}

}  // namespace

AboutDialog::AboutDialog(const Application& app, QWidget* parent)
    : QDialog(parent),
      versionField(ReadOnlyField(QString::fromStdString(ProgramVersionText()))),
      buildField(ReadOnlyField(QString::fromStdString(varnel::BuildText()))),
      creditsField(new QPlainTextEdit),
      closeButton(new QPushButton(QString::fromStdString(app.ToDisplay(app.Text(text::kClose))))) {
  // A titled modal frame without a close box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(QString::fromStdString(app.ToDisplay(app.Text(text::kAboutCaption))));
  QString credits = QString::fromLatin1(kCredits);
  credits.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  creditsField->setPlainText(credits);
  creditsField->setReadOnly(true);
  NameControl(versionField, "versionField", QString::fromLatin1(kVersionLabel));
  NameControl(buildField, "buildField", QString::fromLatin1(kBuildLabel));
  NameControl(creditsField, "creditsField", QString::fromLatin1(kCreditsLabel));
  closeButton->setObjectName(QStringLiteral("closeButton"));
  // The Close button is the default and closes the dialog like OK.
  closeButton->setDefault(true);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
  BuildLayout();
  setTabOrder(closeButton, versionField);
  setTabOrder(versionField, buildField);
  setTabOrder(buildField, creditsField);
}

void AboutDialog::BuildLayout() {
  const DialogUnits units(font());
  versionField->setFixedWidth(units.X(kFieldWidth));
  buildField->setFixedWidth(units.X(kFieldWidth));
  creditsField->setFixedSize(units.X(kCreditsWidth), units.Y(kCreditsHeight) + creditsField->frameWidth() * 2);
  closeButton->setMinimumWidth(units.X(kDialogButtonWidth));
  auto* separator = new QFrame;
  separator->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  auto* layout = new QGridLayout(this);
  const std::pair<const char*, QWidget*> rows[] = {{kVersionLabel, versionField}, {kBuildLabel, buildField}};
  int row = 0;
  for (const auto& [caption, field] : rows) {
    auto* label = new QLabel(QString::fromLatin1(caption));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(field);
    layout->addWidget(label, row, 0);
    layout->addWidget(field, row++, 1, 1, 2, Qt::AlignLeft);
  }
  layout->addWidget(separator, row++, 0, 1, 3);
  auto* creditsLabel = new QLabel(QString::fromLatin1(kCreditsLabel));
  creditsLabel->setBuddy(creditsField);
  layout->addWidget(creditsLabel, row++, 0, 1, 3);
  layout->addWidget(creditsField, row++, 0, 1, 3, Qt::AlignHCenter);
  layout->addWidget(closeButton, row, 2, Qt::AlignRight);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString AboutDialog::VersionText() const { return versionField->text(); }

QString AboutDialog::BuildText() const { return buildField->text(); }

QString AboutDialog::CreditsText() const { return creditsField->toPlainText(); }

}  // namespace varnel
