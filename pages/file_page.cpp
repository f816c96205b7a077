// The file-name part and the start button shared by the flash and dump
// pages.
#include "pages/file_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include "pages/accessible_name.h"
#include "pages/dialog_units.h"
#include "settings/settings.h"

namespace varnel {
namespace {

constexpr char kBrowseCaption[] = "...";
// The browse button has no words of its own to read out.
constexpr char kBrowseName[] = "Browse";

// Sizes and the gap above the start button, in dialog units.
constexpr int kFileBoxWidth = 162;
constexpr int kBrowseWidth = 12;
constexpr int kStartWidth = 72;
constexpr int kStartGap = 37;  // from the box's bottom (y 28) to the button (y 66)

QString Display(const Application& app, uint16_t id) { return QString::fromStdString(app.ToDisplay(app.Text(id))); }

}  // namespace

FilePage::FilePage(const Application& application, const char* pageSection, uint16_t startText, FileDialogKind kind,
                   QWidget* parent)
    : QWidget(parent),
      app(application),
      section(pageSection),
      dialogKind(kind),
      fileLabel(new QLabel(Display(app, text::kFileNameLabel))),
      fileBox(new QLineEdit),
      browseButton(new QPushButton(QString::fromLatin1(kBrowseCaption))),
      startButton(new QPushButton(Display(app, startText))) {
  NameControl(fileBox, "fileBox", fileLabel->text());
  NameControl(browseButton, "browseButton", QString::fromLatin1(kBrowseName));
  startButton->setObjectName(QStringLiteral("startButton"));
  fileLabel->setObjectName(QStringLiteral("fileLabel"));
  fileLabel->setTextFormat(Qt::PlainText);  // a language module's text, never markup
  fileLabel->setBuddy(fileBox);
  // The name changes only through the browse button (or the settings).
  fileBox->setReadOnly(true);
  // Enter and Escape belong to the main window, which ignores them.
  browseButton->setAutoDefault(false);
  startButton->setAutoDefault(false);
  BuildLayout();
  WireActions();
}

void FilePage::BuildLayout() {
  const DialogUnits units(font());
  fileBox->setFixedWidth(units.X(kFileBoxWidth));
  browseButton->setFixedWidth(std::max(units.X(kBrowseWidth), browseButton->sizeHint().height()));
  startButton->setMinimumWidth(units.X(kStartWidth));
  auto* layout = new QGridLayout(this);
  layout->addWidget(fileLabel, 0, 0, 1, 2);
  layout->addWidget(fileBox, 1, 0);
  layout->addWidget(browseButton, 1, 1);
  layout->setRowMinimumHeight(2, units.Y(kStartGap));
  layout->addWidget(startButton, 3, 0, Qt::AlignLeft);
  layout->setRowStretch(4, 1);
  layout->setColumnStretch(2, 1);
}

void FilePage::WireActions() {
  connect(browseButton, &QPushButton::clicked, this, &FilePage::Browse);
  connect(startButton, &QPushButton::clicked, this, [this] { emit StartRequested(fileName); });
}

void FilePage::LoadFileName(const Profile& settings) {
  fileName = QString::fromStdString(varnel::LoadFileName(settings, section, app.CodePage()));
  fileBox->setText(fileName);
}

bool FilePage::SaveFileName(const std::filesystem::path& settingsFile) {
  fileName = fileBox->text();
  return varnel::SaveFileName(settingsFile, section, fileName.toStdString(), app.CodePage());
}

void FilePage::EnableControls(Enabled enabled) {
  const bool on = enabled == Enabled::Yes;
  for (QWidget* control : {static_cast<QWidget*>(fileLabel), static_cast<QWidget*>(fileBox),
                           static_cast<QWidget*>(browseButton), static_cast<QWidget*>(startButton)}) {
    control->setEnabled(on);
  }
  for (QWidget* option : options) option->setEnabled(on);
}

std::vector<QWidget*> FilePage::TabOrder() const {
  std::vector<QWidget*> order = {fileBox, browseButton};
  order.insert(order.end(), options.begin(), options.end());
  order.push_back(startButton);
  return order;
}

void FilePage::AddOption(QWidget* option) {
  static_cast<QGridLayout*>(layout())->addWidget(option, 2, 0, Qt::AlignLeft | Qt::AlignVCenter);
  options.push_back(option);
}

void FilePage::Browse() {
  const QString chosen = ChooseFile(this, app, dialogKind, fileName);
  if (chosen.isEmpty()) return;
  fileName = chosen;
  fileBox->setText(fileName);
}

}  // namespace varnel
