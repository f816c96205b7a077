// RegionPanel: the flash region that the next dump or flash works on: an
// offset and a size typed as hexadecimal text, and three preset buttons
// that fill in the handset's flash areas. It keeps the three values and
// exchanges them with its controls on demand. Shown at the left of the
// flash and dump pages. GUI thread.
#pragma once

#include <QWidget>

#include <array>
#include <string>
#include <vector>

#include "pages/enabled.h"
#include "texts/application.h"

class QAbstractButton;
class QButtonGroup;
class QGroupBox;
class QLineEdit;

namespace varnel {

inline constexpr int kPresetCount = 3;
inline constexpr int kNoPreset = -1;

class RegionPanel : public QWidget {
  Q_OBJECT

 public:
  RegionPanel(const Application& app, QWidget* parent = nullptr);

  // Store a value and show all values in the controls. An index outside
  // 0..2 leaves every preset button unchecked.
  void SetOffsetText(const std::string& text);
  void SetSizeText(const std::string& text);
  void SetPreset(int index);

  // Take the controls' contents into the values, then return one.
  std::string GetOffsetText();
  std::string GetSizeText();
  int GetPreset();  // kNoPreset when no button is checked

  void EnablePresets(Enabled enabled);
  void EnableOffset(Enabled enabled);
  void EnableSize(Enabled enabled);
  void EnableAll(Enabled enabled);

  // When the user checks a preset button, by the mouse, the keyboard or a
  // screen reader's action, and on a click of the checked one: the
  // controls into the values, then the checked preset's offset and size
  // into them (none checked: unchanged), then the values into the
  // controls. SetPreset does not apply the region. The texts stay
  // editable; editing them does not uncheck the button.
  void ApplyPreset();

  // The panel's controls in keyboard order.
  std::vector<QWidget*> TabOrder() const;

 private:
  void ReadControls();
  void ShowValues();

  const Application& app;
  QGroupBox* presetFrame;
  QGroupBox* offsetFrame;
  QGroupBox* sizeFrame;
  QButtonGroup* presetGroup;
  std::array<QAbstractButton*, kPresetCount> presetButtons{};
  QLineEdit* offsetBox;
  QLineEdit* sizeBox;

  std::string offsetText;
  std::string sizeText;
  int preset = 0;
};

}  // namespace varnel
