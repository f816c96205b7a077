// OptionsDialog: the COM port, line speed and block size for the next
// connect, as three groups of radio buttons. It opens with the indexes of
// the main window's settings (a value it does not offer shows no button
// checked); OK takes the checked buttons (kNoChoice for a group with none),
// any other way out keeps the indexes it opened with. Where a port name
// maps to a device (on POSIX, through the settings file's "Ports"
// section), each port button names that device too, with the adapter's
// product when it is known ("COM1 (/dev/ttyUSB0, FT232R USB UART)") or a
// note when the device does not exist ("COM3 (/dev/ttyUSB2, not
// present)"); on Windows the buttons read "COMn". GUI thread.
#pragma once

#include <QDialog>

#include <array>
#include <filesystem>
#include <span>

#include "link/port_map.h"
#include "port/serial_devices.h"
#include "settings/port_options.h"
#include "texts/application.h"

class QButtonGroup;
class QGroupBox;
class QPushButton;

namespace varnel {

class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  // `settingsFile` holds the port map the buttons name their devices from;
  // the devices are looked for in the system's own trees.
  OptionsDialog(const Application& app, const OptionChoices& opening, const std::filesystem::path& settingsFile,
                QWidget* parent = nullptr);
  // The same, with the devices looked for in the trees at `roots` (tests
  // give a fake one).
  OptionsDialog(const Application& app, const OptionChoices& opening, const std::filesystem::path& settingsFile,
                const DeviceRoots& roots, QWidget* parent = nullptr);

  // The indexes as the dialog stands: the opening ones until OK.
  OptionChoices Choices() const { return choices; }

  // OK: the checked buttons become the indexes, then the dialog closes.
  void accept() override;

  QButtonGroup* PortGroup() const { return portGroup; }
  QButtonGroup* SpeedGroup() const { return speedGroup; }
  QButtonGroup* BlockGroup() const { return blockGroup; }
  QPushButton* OkButton() const { return okButton; }

 private:
  QGroupBox* BuildPortGroup(const std::filesystem::path& settingsFile, const DeviceRoots& roots);
  QGroupBox* BuildChoiceGroup(uint16_t caption, const char* name, std::span<const uint32_t> values,
                              QButtonGroup* group);
  // "COM1 (/dev/ttyUSB0, FT232R USB UART)", "COM3 (/dev/ttyUSB2, not
  // present)", "COM2 (/dev/ttyS0)", or the bare name that is the device.
  QString PortCaption(const std::string& name, const PortTarget& target, std::span<const SerialDevice> devices,
                      const DeviceRoots& roots) const;
  void ShowChoices();

  const Application& app;
  OptionChoices choices;
  QButtonGroup* portGroup;
  QButtonGroup* speedGroup;
  QButtonGroup* blockGroup;
  QPushButton* okButton;
};

}  // namespace varnel
