// OptionsDialog: the COM port, line speed and block size for the next
// connect, as three groups of radio buttons. It opens with the indexes of
// the main window's settings (a value it does not offer shows no button
// checked); OK takes the checked buttons (kNoChoice for a group with none),
// any other way out keeps the indexes it opened with. Where a port name
// maps to a device (on POSIX, through the settings file's "Ports"
// section), each port button names that device too. GUI thread.
#pragma once

#include <QDialog>

#include <array>
#include <filesystem>
#include <span>

#include "settings/port_options.h"
#include "texts/application.h"

class QButtonGroup;
class QGroupBox;
class QPushButton;

namespace varnel {

class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  // `settingsFile` holds the port map the buttons name their devices from.
  OptionsDialog(const Application& app, const OptionChoices& opening,
                const std::filesystem::path& settingsFile, QWidget* parent = nullptr);

  // The indexes as the dialog stands: the opening ones until OK.
  OptionChoices Choices() const { return choices; }

  // OK: the checked buttons become the indexes, then the dialog closes.
  void accept() override;

  QButtonGroup* PortGroup() const { return portGroup; }
  QButtonGroup* SpeedGroup() const { return speedGroup; }
  QButtonGroup* BlockGroup() const { return blockGroup; }
  QPushButton* OkButton() const { return okButton; }

 private:
  QGroupBox* BuildPortGroup(const std::filesystem::path& settingsFile);
  QGroupBox* BuildChoiceGroup(uint16_t caption, const char* name, std::span<const uint32_t> values,
                              QButtonGroup* group);
  void ShowChoices();

  const Application& app;
  OptionChoices choices;
  QButtonGroup* portGroup;
  QButtonGroup* speedGroup;
  QButtonGroup* blockGroup;
  QPushButton* okButton;
};

}  // namespace varnel
