// FlashPage: the "Flasher" tab's page: the image file to write into the
// flash, kept in section "Flasher" of the settings file. GUI thread.
#pragma once

#include "app/settings.h"
#include "pages/file_page.h"

namespace varnel {

class FlashPage : public FilePage {
  Q_OBJECT

 public:
  explicit FlashPage(const Application& application, QWidget* parent = nullptr)
      : FilePage(application, kFlasherSection, text::kStartFlash, parent) {}
};

}  // namespace varnel
