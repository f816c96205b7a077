// The file-name part shared by the flash and dump pages.
#include "pages/file_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/code_page.h"
#include "app/settings.h"

namespace varnel {
namespace {

constexpr char kBrowseCaption[] = "...";

}  // namespace

FilePage::FilePage(const Application& application, const char* pageSection, uint16_t startText,
                   QWidget* parent)
    : QWidget(parent),
      app(application),
      section(pageSection),
      fileLabel(new QLabel(QString::fromStdString(app.ToDisplay(app.Text(text::kFileNameLabel))))),
      fileBox(new QLineEdit),
      browseButton(new QPushButton(kBrowseCaption)),
      startButton(new QPushButton(QString::fromStdString(app.ToDisplay(app.Text(startText))))) {
  // Enter and Escape belong to the main window, which ignores them.
  browseButton->setAutoDefault(false);
  startButton->setAutoDefault(false);
  auto* layout = new QGridLayout(this);
  layout->addWidget(fileLabel, 0, 0, 1, 2);
  layout->addWidget(fileBox, 1, 0);
  layout->addWidget(browseButton, 1, 1);
  layout->addWidget(startButton, 2, 0, 1, 2, Qt::AlignLeft);
  layout->setRowStretch(3, 1);
}

void FilePage::LoadFileName(const std::filesystem::path& settingsFile) {
  fileName = varnel::LoadFileName(settingsFile, section);
  fileBox->setText(QString::fromStdString(app.ToDisplay(fileName)));
}

bool FilePage::SaveFileName(const std::filesystem::path& settingsFile) {
  fileName = FromUtf8(fileBox->text().toStdString(), app.CodePage());
  return varnel::SaveFileName(settingsFile, section, fileName);
}

void FilePage::EnableControls(Enabled enabled) {
  const bool on = enabled == Enabled::Yes;
  for (QWidget* control : {static_cast<QWidget*>(fileLabel), static_cast<QWidget*>(fileBox),
                           static_cast<QWidget*>(browseButton), static_cast<QWidget*>(startButton)}) {
    control->setEnabled(on);
  }
}

}  // namespace varnel
