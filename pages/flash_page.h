// FlashPage: the "Flasher" tab's page: the image file written into the
// flash (chosen with an open dialog; it must exist), kept in section
// "Flasher" of the settings file, and the "Flash!!!" button. GUI thread.
#pragma once

#include "pages/file_page.h"
#include "settings/settings.h"

namespace varnel {

class FlashPage : public FilePage {
  Q_OBJECT

 public:
  explicit FlashPage(const Application& application, QWidget* parent = nullptr)
      : FilePage(application, kFlasherSection, text::kStartFlash, FileDialogKind::Open, parent) {}
};

}  // namespace varnel
