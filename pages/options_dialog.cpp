// The Options dialog.
#include "pages/options_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "pages/dialog_units.h"
#include "link/port_map.h"
#include "port/port_name.h"
#include "settings/profile_store.h"
#include "texts/visible_text.h"

namespace varnel {
namespace {

// The OK button keeps the caption of the dialog's template.
constexpr char kOkCaption[] = "Ok";
constexpr int kPortRows = 4;  // "COM1" .. "COM4", then "COM5" .. "COM8"
// A group with nothing checked answers checkedId() with -1.
static_assert(kNoChoice == -1);

QString Display(const Application& app, uint16_t id) { return QString::fromStdString(app.ToDisplay(app.Text(id))); }

// Checks the button at `index`; an index outside the group checks none.
// A fresh exclusive group starts with none checked.
void Check(QButtonGroup* group, int64_t index) {
  if (QAbstractButton* button =
          index >= 0 && index < group->buttons().size() ? group->button(static_cast<int>(index)) : nullptr) {
    button->setChecked(true);
  }
}

}  // namespace

QString OptionsDialog::PortCaption(const std::string& name, const PortTarget& target,
                                   std::span<const SerialDevice> devices, const DeviceRoots& roots) const {
  // Where the name is the device itself there is nothing to add. The
  // device comes from the settings file, the product from the device: both
  // are shown through VisibleText.
  if (target.device == name) return QString::fromStdString(VisibleText(name));
  QString detail = QString::fromStdString(VisibleText(target.device));
  if (target.presence == DevicePresence::Absent) {
    detail += ", " + Display(app, text::kPortNotPresent);
  } else if (const SerialDevice* device = FindSerialDevice(devices, target.device, roots);
             device != nullptr && !device->product.empty()) {
    detail += ", " + QString::fromStdString(VisibleText(device->product));
  }
  return QString::fromStdString(name) + " (" + detail + ")";
}

OptionsDialog::OptionsDialog(const Application& application, const OptionChoices& opening,
                             const std::filesystem::path& settingsFile, QWidget* parent)
    : OptionsDialog(application, opening, settingsFile, DeviceRoots{}, parent) {}

OptionsDialog::OptionsDialog(const Application& application, const OptionChoices& opening,
                             const std::filesystem::path& settingsFile, const DeviceRoots& roots, QWidget* parent)
    : QDialog(parent),
      app(application),
      choices(opening),
      portGroup(new QButtonGroup(this)),
      speedGroup(new QButtonGroup(this)),
      blockGroup(new QButtonGroup(this)),
      okButton(new QPushButton(QString::fromLatin1(kOkCaption))) {
  // A titled modal frame without a close box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(Display(app, text::kOptionsCaption));
  okButton->setObjectName(QStringLiteral("okButton"));
  okButton->setDefault(true);
  okButton->setMinimumWidth(DialogUnits(font()).X(kDialogButtonWidth));

  auto* layout = new QGridLayout(this);
  layout->addWidget(BuildPortGroup(settingsFile, roots), 0, 0);
  layout->addWidget(BuildChoiceGroup(text::kSpeedGroup, "speed", kSpeedChoices, speedGroup), 0, 1);
  layout->addWidget(BuildChoiceGroup(text::kBlockGroup, "block", kBlockChoices, blockGroup), 0, 2);
  layout->addWidget(okButton, 1, 0, 1, 3, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(okButton, &QPushButton::clicked, this, &OptionsDialog::accept);
  ShowChoices();
}

QGroupBox* OptionsDialog::BuildPortGroup(const std::filesystem::path& settingsFile, const DeviceRoots& roots) {
  auto* frame = new QGroupBox(Display(app, text::kComPortGroup));
  frame->setObjectName(QStringLiteral("portFrame"));
  auto* layout = new QGridLayout(frame);
  const Profile settings = Profile::Load(settingsFile);
  const std::vector<SerialDevice> devices = ListSerialDevices(roots);
  for (int i = 0; i < kPortChoiceCount; ++i) {
    const std::string name = PortName(i + 1);
    auto* button = new QRadioButton(PortCaption(name, LocatePort(name, settings, roots), devices, roots));
    button->setObjectName(QString::fromStdString("port" + std::to_string(i + 1)));
    portGroup->addButton(button, i);
    layout->addWidget(button, i % kPortRows, i / kPortRows);
  }
  return frame;
}

QGroupBox* OptionsDialog::BuildChoiceGroup(uint16_t caption, const char* name, std::span<const uint32_t> values,
                                           QButtonGroup* group) {
  auto* frame = new QGroupBox(Display(app, caption));
  frame->setObjectName(QString::fromStdString(std::string(name) + "Frame"));
  auto* layout = new QVBoxLayout(frame);
  for (size_t i = 0; i < values.size(); ++i) {
    auto* button = new QRadioButton(QString::number(values[i]));
    button->setObjectName(QString::fromStdString(name + std::to_string(values[i])));
    group->addButton(button, static_cast<int>(i));
    layout->addWidget(button);
  }
  layout->addStretch(1);
  return frame;
}

void OptionsDialog::ShowChoices() {
  Check(portGroup, choices.port);
  Check(speedGroup, choices.speed);
  Check(blockGroup, choices.block);
}

void OptionsDialog::accept() {
  choices.port = portGroup->checkedId();
  choices.speed = speedGroup->checkedId();
  choices.block = blockGroup->checkedId();
  QDialog::accept();
}

}  // namespace varnel
