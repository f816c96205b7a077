// The region panel: presets, offset and size.
#include "pages/region_panel.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

#include "format/flash_bank.h"
#include "pages/accessible_name.h"
#include "pages/dialog_units.h"
#include "settings/settings.h"
#include "texts/code_page.h"

namespace varnel {
namespace {

// Characters the user may type into the offset and size boxes; a longer
// text from the settings file is shown whole.
constexpr int kBoxLimit = 10;
// Room between a frame and its content, and between controls, in dialog
// units: tight enough that a 10-digit offset fits its half of the panel.
constexpr int kFrameMarginUnits = 2;

constexpr std::array<uint16_t, kPresetCount> kPresetTexts = {text::kPresetSystem, text::kPresetImage,
                                                             text::kPresetData};
constexpr std::array<const char*, kPresetCount> kPresetObjectNames = {"presetSystem", "presetImage", "presetData"};
constexpr std::array<FlashRegion, kPresetCount> kPresetRegions = {kSystemRegion, kImageRegion, kDataRegion};

QString Display(const Application& app, uint16_t id) { return QString::fromStdString(app.ToDisplay(app.Text(id))); }

std::string HexText(uint32_t value) {
  char text[kBoxLimit + 1];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

QGroupBox* Frame(const Application& app, uint16_t id, QWidget* content) {
  auto* frame = new QGroupBox(Display(app, id));
  const DialogUnits units(frame->font());
  auto* layout = new QVBoxLayout(frame);
  const int side = units.X(kFrameMarginUnits);
  layout->setContentsMargins(side, units.Y(kFrameMarginUnits), side, units.Y(kFrameMarginUnits));
  layout->addWidget(content);
  return frame;
}

}  // namespace

RegionPanel::RegionPanel(const Application& application, QWidget* parent)
    : QWidget(parent),
      app(application),
      presetGroup(new QButtonGroup(this)),
      offsetBox(new QLineEdit),
      sizeBox(new QLineEdit),
      offsetText(kDefaultOffsetText),
      sizeText(kDefaultSizeText) {
  auto* presets = new QWidget;
  auto* presetLayout = new QVBoxLayout(presets);
  presetLayout->setContentsMargins(0, 0, 0, 0);
  const DialogUnits units(font());
  presetLayout->setSpacing(units.Y(kFrameMarginUnits));
  for (int i = 0; i < kPresetCount; ++i) {
    auto* button = new QPushButton(Display(app, kPresetTexts[i]));
    button->setObjectName(QString::fromLatin1(kPresetObjectNames[i]));
    button->setCheckable(true);
    button->setAutoDefault(false);
    presetGroup->addButton(button, i);
    presetLayout->addWidget(button);
    presetButtons[i] = button;
  }
  presetFrame = Frame(app, text::kSelectBin, presets);
  offsetFrame = Frame(app, text::kOffsetGroup, offsetBox);
  sizeFrame = Frame(app, text::kSizeGroup, sizeBox);
  presetFrame->setObjectName(QStringLiteral("presetFrame"));
  offsetFrame->setObjectName(QStringLiteral("offsetFrame"));
  sizeFrame->setObjectName(QStringLiteral("sizeFrame"));
  NameControl(offsetBox, "offsetBox", offsetFrame->title());
  NameControl(sizeBox, "sizeBox", sizeFrame->title());

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setHorizontalSpacing(units.X(kFrameMarginUnits));
  layout->addWidget(presetFrame, 0, 0, 1, 2);
  layout->addWidget(offsetFrame, 1, 0);
  layout->addWidget(sizeFrame, 1, 1);
  layout->setRowStretch(2, 1);

  // A button becomes checked by a click, Space, an arrow key or a screen
  // reader's toggle action, and only the last of these does not click;
  // a click on the checked button toggles nothing and applies its region
  // again. A click on another button comes through both signals, and the
  // second application finds the texts already set.
  connect(presetGroup, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked) ApplyPreset();
  });
  connect(presetGroup, &QButtonGroup::idClicked, this, [this] { ApplyPreset(); });
  ShowValues();
}

void RegionPanel::SetOffsetText(const std::string& text) {
  offsetText = text;
  ShowValues();
}

void RegionPanel::SetSizeText(const std::string& text) {
  sizeText = text;
  ShowValues();
}

void RegionPanel::SetPreset(int index) {
  preset = index;
  ShowValues();
}

std::string RegionPanel::GetOffsetText() {
  ReadControls();
  return offsetText;
}

std::string RegionPanel::GetSizeText() {
  ReadControls();
  return sizeText;
}

int RegionPanel::GetPreset() {
  ReadControls();
  return preset;
}

void RegionPanel::EnablePresets(Enabled enabled) { presetFrame->setEnabled(enabled == Enabled::Yes); }

void RegionPanel::EnableOffset(Enabled enabled) { offsetFrame->setEnabled(enabled == Enabled::Yes); }

void RegionPanel::EnableSize(Enabled enabled) { sizeFrame->setEnabled(enabled == Enabled::Yes); }

void RegionPanel::EnableAll(Enabled enabled) {
  EnablePresets(enabled);
  EnableOffset(enabled);
  EnableSize(enabled);
}

void RegionPanel::ApplyPreset() {
  ReadControls();
  if (preset >= 0 && preset < kPresetCount) {
    offsetText = HexText(kPresetRegions[preset].offset);
    sizeText = HexText(kPresetRegions[preset].size);
  }
  ShowValues();
}

std::vector<QWidget*> RegionPanel::TabOrder() const {
  std::vector<QWidget*> order(presetButtons.begin(), presetButtons.end());
  order.push_back(offsetBox);
  order.push_back(sizeBox);
  return order;
}

void RegionPanel::ReadControls() {
  offsetText = FromUtf8(offsetBox->text().toStdString(), app.CodePage());
  sizeText = FromUtf8(sizeBox->text().toStdString(), app.CodePage());
  preset = presetGroup->checkedId();
}

void RegionPanel::ShowValues() {
  for (auto [box, value] : {std::pair{offsetBox, &offsetText}, std::pair{sizeBox, &sizeText}}) {
    box->setMaxLength(std::max<int>(kBoxLimit, static_cast<int>(value->size())));
    box->setText(QString::fromStdString(app.ToDisplay(*value)));
  }
  // Showing a preset is not choosing it: the texts stay as they are. An
  // exclusive group keeps one button checked; uncheck all by leaving it
  // open for a moment.
  const QSignalBlocker quiet(presetGroup);
  presetGroup->setExclusive(false);
  for (int i = 0; i < kPresetCount; ++i) presetButtons[i]->setChecked(i == preset);
  presetGroup->setExclusive(true);
}

}  // namespace varnel
