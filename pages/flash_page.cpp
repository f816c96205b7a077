// The flash page: the shared file part and its "Verify" box.
#include "pages/flash_page.h"

#include <QCheckBox>

#include "settings/settings.h"

namespace varnel {

FlashPage::FlashPage(const Application& application, QWidget* parent)
    : FilePage(application, kFlasherSection, text::kStartFlash, FileDialogKind::Open, parent),
      verifyBox(new QCheckBox(QString::fromStdString(application.ToDisplay(application.Text(text::kVerifyBox))))) {
  verifyBox->setObjectName(QStringLiteral("verifyBox"));
  AddOption(verifyBox);
}

bool FlashPage::Verify() const { return verifyBox->isChecked(); }

void FlashPage::LoadVerify(const Profile& settings) {
  const std::optional<bool> stored = LoadVerifyAfterFlash(settings);
  verifyStored = stored.has_value();
  verifyBox->setChecked(stored.value_or(false));
}

bool FlashPage::SaveVerify(const std::filesystem::path& settingsFile) const {
  if (!verifyStored && !Verify()) return true;
  return SaveVerifyAfterFlash(settingsFile, Verify());
}

}  // namespace varnel
