// FlashPage: the "Flasher" tab's page: the image file written into the
// flash (chosen with an open dialog; it must exist), kept in section
// "Flasher" of the settings file, the "Verify" box (read the region back
// after the flash and compare; kept there too) and the "Flash!!!" button.
// GUI thread.
#pragma once

#include <filesystem>

#include "pages/file_page.h"
#include "settings/profile_store.h"

class QCheckBox;

namespace varnel {

class FlashPage : public FilePage {
  Q_OBJECT

 public:
  explicit FlashPage(const Application& application, QWidget* parent = nullptr);

  // Whether the "Verify" box is ticked.
  bool Verify() const;
  // Takes the box's state from the settings, or writes it to `settingsFile`
  // (false when the file could not be written). A file that never had the
  // key gets it only once the box has been ticked.
  void LoadVerify(const Profile& settings);
  bool SaveVerify(const std::filesystem::path& settingsFile) const;

 private:
  QCheckBox* verifyBox;
  bool verifyStored = false;  // the settings file has the key
};

}  // namespace varnel
