// MainWindow: construction and start-up, the page layout, the main button,
// the menu commands, the settings and closing.
#include "gui/main_window.h"

#include <QAction>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>

#include <algorithm>
#include <cstdio>
#include <array>
#include <memory>
#include <string>

#include "files/narrow_path.h"
#include "gui/log_view.h"
#include "gui/page_layout.h"
#include "link/traced_port.h"
#include "pages/accessible_name.h"
#include "pages/question_dialog.h"
#include "pages/dump_page.h"
#include "pages/flash_page.h"
#include "pages/instruction_page.h"
#include "pages/patch_list_page.h"
#include "pages/region_panel.h"
#include "port/port_name.h"
#include "port/serial_port.h"
#include "settings/port_options.h"
#include "texts/code_page.h"
#include "texts/visible_text.h"

namespace varnel {
namespace {

// The window's client area and its top strip, in dialog units.
constexpr int kClientWidth = 304;
constexpr int kClientHeight = 201;
constexpr std::array<int, 4> kSeparator = {0, 0, 304, 1};
constexpr std::array<int, 4> kMainButton = {4, 4, 80, 18};
// The status text reaches to the counter: it carries the rate and time
// left after its text.
constexpr std::array<int, 4> kStatusText = {88, 4, 130, 8};
constexpr std::array<int, 4> kCounter = {222, 4, 76, 8};
constexpr std::array<int, 4> kProgressBar = {88, 13, 211, 8};
constexpr int kRegionPanelWidth = 108;

// Tab captions in tab order.
constexpr std::array<uint16_t, kTabCount> kTabTexts = {text::kInstructionTab, text::kFlasherTab, text::kDumperTab,
                                                       text::kPatcherTab};

// The menu's own texts (they are not in the text table).
constexpr char kFileMenu[] = "File";
constexpr char kExitItem[] = "Exit";
constexpr char kToolsMenu[] = "Tools";
constexpr char kOptionsItem[] = "Options...";
constexpr char kHelpMenu[] = "Help";
constexpr char kAboutItem[] = "About";

// Names read out for controls that show no caption of their own.
constexpr char kProgressName[] = "Progress";
constexpr char kLogName[] = "Log";
// What the status text and the counter are; their names are their texts.
constexpr char kStatusDescription[] = "Transfer status";
constexpr char kCounterDescription[] = "Bytes transferred and total";
constexpr char kTabsName[] = "Pages";

void Place(QWidget* widget, const DialogUnits& units, const std::array<int, 4>& rect) {
  widget->setGeometry(units.Rect(rect[0], rect[1], rect[2], rect[3]));
}

QWidget* PageHost(QWidget* page) {
  auto* host = new QWidget;
  auto* layout = new QHBoxLayout(host);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(page, 1);
  return host;
}

}  // namespace

MainWindow::MainWindow(const Application& application, QWidget* parent)
    : QDialog(parent),
      app(application),
      bridge(*this),
      tracedOwner(bridge, trace, application),
      link(application, tracedOwner, {},
           std::make_unique<TracedPort>(std::make_unique<SerialPort>(application), trace)),
      units(font()) {
  // Fixed size with title bar, system menu and minimise box, no maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  client = new QWidget;
  client->setFixedSize(units.X(kClientWidth), units.Y(kClientHeight));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->setMenuBar(BuildMenu());
  layout->addWidget(client);
  BuildTopStrip();
  BuildTabs();
  NameControls();
  SetTabOrder();
  WireActions();
  StartUp();
  layout->activate();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

MainWindow::~MainWindow() {
  // Only a window torn down without a real close gets here with the port
  // open: ask the worker to stop and let it run to its end unserved.
  if (link.IsOpen()) link.Stop();
  bridge.Shut();
  link.Join();
  // The port's last line goes to a window that is still whole.
  link.Close();
}

QString MainWindow::Display(uint16_t id, uint32_t capacity) const {
  return QString::fromStdString(app.ToDisplay(app.Text(id, capacity)));
}

QMenuBar* MainWindow::BuildMenu() {
  menu = new QMenuBar(this);
  QMenu* fileMenu = menu->addMenu(kFileMenu);
  saveLogAction = fileMenu->addAction(Display(text::kSaveLogItem));
  exitAction = fileMenu->addAction(kExitItem);
  QMenu* toolsMenu = menu->addMenu(kToolsMenu);
  optionsAction = toolsMenu->addAction(kOptionsItem);
  backupAction = toolsMenu->addAction(Display(text::kBackupItem));
  restoreAction = toolsMenu->addAction(Display(text::kRestoreItem));
  aboutAction = menu->addMenu(kHelpMenu)->addAction(kAboutItem);
  return menu;
}

void MainWindow::BuildTopStrip() {
  auto* separator = new QFrame(client);
  separator->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  Place(separator, units, kSeparator);
  mainButton = new QPushButton(client);
  mainButton->setObjectName("mainButton");
  mainButton->setAutoDefault(false);
  Place(mainButton, units, kMainButton);
  // Plain text: the status text comes from the language module, and a
  // label would otherwise take a text that looks like markup for markup.
  statusText = new QLabel(client);
  statusText->setTextFormat(Qt::PlainText);
  Place(statusText, units, kStatusText);
  counter = new QLabel(client);
  counter->setTextFormat(Qt::PlainText);
  counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Place(counter, units, kCounter);
  progressBar = new QProgressBar(client);
  progressBar->setTextVisible(false);
  Place(progressBar, units, kProgressBar);
}

void MainWindow::BuildTabs() {
  tabs = new QTabWidget(client);
  tabs->setObjectName("tabs");
  log = new LogView(client);
  regionPanel = new RegionPanel(app);
  regionPanel->setObjectName("regionPanel");
  regionPanel->setFixedWidth(units.X(kRegionPanelWidth));
  instructionPage = new InstructionPage;
  instructionPage->setObjectName("instructionPage");
  flashPage = new FlashPage(app);
  flashPage->setObjectName("flashPage");
  dumpPage = new DumpPage(app);
  dumpPage->setObjectName("dumpPage");
  patchListPage = new PatchListPage(app);
  patchListPage->setObjectName("patchListPage");
  flashHost = PageHost(flashPage);
  dumpHost = PageHost(dumpPage);
  const std::array<QWidget*, kTabCount> pages = {instructionPage, flashHost, dumpHost, patchListPage};
  for (int tab = 0; tab < kTabCount; ++tab) {
    tabs->addTab(pages[tab], Display(kTabTexts[tab], text::kLongTextCapacity));
  }
  PlaceRegionPanel(kFlasherTabIndex);
}

void MainWindow::NameControls() {
  // The main button, the status text and the counter are read out by
  // their texts, which change: a name set on them would hide the text.
  statusText->setObjectName(QStringLiteral("statusText"));
  statusText->setAccessibleDescription(QString::fromLatin1(kStatusDescription));
  counter->setObjectName(QStringLiteral("counter"));
  counter->setAccessibleDescription(QString::fromLatin1(kCounterDescription));
  NameControl(progressBar, "progressBar", QString::fromLatin1(kProgressName));
  NameControl(log, "log", QString::fromLatin1(kLogName));
  const std::array<QWidget*, kTabCount> pages = {instructionPage, flashPage, dumpPage, patchListPage};
  for (int tab = 0; tab < kTabCount; ++tab) {
    pages[tab]->setAccessibleName(tabs->tabText(tab));
  }
  tabs->setAccessibleName(QString::fromLatin1(kTabsName));
  // Read and copied from the keyboard too.
  log->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void MainWindow::SetTabOrder() {
  // Top to bottom, left to right: the main button, the tabs, the region
  // panel at the left of a transfer page, the pages, the log. Hidden and
  // disabled controls are passed over.
  std::vector<QWidget*> order = {mainButton, tabs};
  for (const std::vector<QWidget*>& part :
       {regionPanel->TabOrder(), flashPage->TabOrder(), dumpPage->TabOrder(), std::vector<QWidget*>{instructionPage},
        patchListPage->TabOrder(), std::vector<QWidget*>{log}}) {
    order.insert(order.end(), part.begin(), part.end());
  }
  for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void MainWindow::WireActions() {
  connect(mainButton, &QPushButton::clicked, this, &MainWindow::OnMainButton);
  connect(tabs, &QTabWidget::currentChanged, this, &MainWindow::ShowPage);
  connect(saveLogAction, &QAction::triggered, this, &MainWindow::OnSaveLog);
  connect(exitAction, &QAction::triggered, this, &QWidget::close);
  connect(optionsAction, &QAction::triggered, this, &MainWindow::OnOptions);
  connect(backupAction, &QAction::triggered, this, &MainWindow::OnBackup);
  connect(restoreAction, &QAction::triggered, this, &MainWindow::OnRestore);
  connect(aboutAction, &QAction::triggered, this, &MainWindow::OnAbout);
  connect(dumpPage, &FilePage::StartRequested, this, &MainWindow::RequestDump);
  connect(flashPage, &FilePage::StartRequested, this, &MainWindow::RequestFlash);
  connect(patchListPage, &PatchListPage::LogRequested, this,
          [this](const std::string& line, LogColour colour) { AppendLog(line.c_str(), colour); });
}

void MainWindow::StartUp() {
  setWindowTitle(Display(text::kMainCaption, text::kLongTextCapacity));
  startedUp = true;
  instructionPage->SetText(Display(text::kWelcome, text::kLongTextCapacity));
  const std::filesystem::path settingsFile = app.SettingsPath();
  const Profile settings = Profile::Load(settingsFile);
  settingsPlace = SettingsPlaceOf(settingsFile, app.ConfigDir());
  LoadSettings(settings);
  EndProgress(nullptr, kBlack);
  // Kept open for the window's life; when it is missing the connect
  // command reports it.
  package.Open(app.ConfigFile(kLoaderPackageName));
  SetButtonMode(ButtonMode::Idle);
  // A tab the window does not have shows the first one.
  const int tab = lastTab >= 0 && lastTab < kTabCount ? lastTab : kInstructionTabIndex;
  tabs->setCurrentIndex(tab);
  ShowPage(tab);
  OnLinkBusy();
  // Last, so that the line brings the log into view like any other.
  ReportIgnoredSettings(settingsFile, settings.ReadStatus());
  mainButton->setFocus();
}

void MainWindow::ReportIgnoredSettings(const std::filesystem::path& file, ProfileRead read) {
  const std::string name = NarrowToCodePage(NarrowFromPath(file), app.CodePage());
  char line[text::kTextCapacity + 1];
  switch (read) {
    case ProfileRead::Read:
    case ProfileRead::Absent: return;
    case ProfileRead::NotRegular:
      std::snprintf(line, sizeof line, app.Text(text::kSettingsNotRegular).c_str(), name.c_str());
      break;
    case ProfileRead::TooLarge:
      std::snprintf(line, sizeof line, app.Text(text::kSettingsTooLarge).c_str(), name.c_str(),
                    std::to_string(kProfileFileMaxBytes).c_str());
      break;
    case ProfileRead::Unreadable:
      std::snprintf(line, sizeof line, app.Text(text::kSettingsUnreadable).c_str(), name.c_str());
      break;
  }
  AppendLog(line, kGrey);
}

void MainWindow::ShowPage(int tab) {
  if (!startedUp) return;
  const PageLayout layout = LayOutPage(tab, client->size(), units);
  if (IsTransferTab(tab)) {
    // On the flash tab the size comes from the file.
    if (controlsState == ControlsState::Ready) {
      regionPanel->EnableSize(tab == kDumperTabIndex ? Enabled::Yes : Enabled::No);
    }
    PlaceRegionPanel(tab);
    regionPanel->show();
  }
  tabs->setGeometry(layout.tabs);
  if (layout.logShown) log->setGeometry(layout.log);
  log->setVisible(layout.logShown);
}

void MainWindow::PlaceRegionPanel(int tab) {
  QWidget* host = tab == kDumperTabIndex ? dumpHost : flashHost;
  if (regionPanel->parentWidget() == host) return;
  if (QWidget* previous = regionPanel->parentWidget()) previous->layout()->removeWidget(regionPanel);
  static_cast<QBoxLayout*>(host->layout())->insertWidget(0, regionPanel);
}

void MainWindow::LoadSettings(const Profile& profile) {
  flashPage->LoadFileName(profile);
  flashPage->LoadVerify(profile);
  dumpPage->LoadFileName(profile);
  const WindowSettings settings = varnel::LoadSettings(profile);
  regionPanel->SetOffsetText(settings.offsetText);
  regionPanel->SetSizeText(settings.sizeText);
  regionPanel->SetPreset(settings.preset);
  comPort = settings.comPort;
  comSpeed = settings.comSpeed;
  blockSize.store(settings.blockSize);
  lastTab = settings.lastTab;
  traceFile = LoadTraceFileName(profile, app.CodePage());
}

void MainWindow::SaveSettings() {
  WindowSettings settings;
  settings.offsetText = regionPanel->GetOffsetText();
  settings.sizeText = regionPanel->GetSizeText();
  settings.preset = regionPanel->GetPreset();
  settings.comPort = comPort;
  settings.comSpeed = comSpeed;
  settings.blockSize = blockSize.load();
  settings.lastTab = tabs->currentIndex();
  const std::filesystem::path file = app.SettingsPathForWriting();
  // Each part is tried even when an earlier one failed.
  const bool windowSaved = varnel::SaveSettings(file, settings);
  const bool flashSaved = flashPage->SaveFileName(file) && flashPage->SaveVerify(file);
  const bool dumpSaved = dumpPage->SaveFileName(file);
  if (!windowSaved || !flashSaved || !dumpSaved) {
    const std::string line = app.TextWithName(text::kSettingsNotSaved, NarrowFromPath(file));
    AppendLog(line.c_str(), kGrey);
    qWarning("%s", VisibleText(app.ToDisplay(line)).c_str());
  }
}

void MainWindow::OnMainButton() {
  if (buttonMode == ButtonMode::Connected) {
    // The worker ends, closes the port and calls OnLinkClosed.
    link.Stop();
    return;
  }
  Connect();
}

void MainWindow::Connect() {
  ReapWorker();
  ClearLog();
  OpenTrace();
  // The link logs the port, speed and block size, opens the port, shows
  // the connect instructions and starts its worker; a port that does not
  // open has logged why, and the button stays as it is.
  if (link.Connect({PortName(comPort), static_cast<uint32_t>(comSpeed)}) != kStatusOk) {
    trace.Close();
    return;
  }
  SetButtonMode(ButtonMode::Connected);
}

void MainWindow::Quit() {
  quitting = true;
  // A notice waiting for its OK would hold the worker, and the close.
  if (QWidget* dialog = QApplication::activeModalWidget(); dialog != nullptr && dialog != this) dialog->close();
  // With the link open, OnLinkClosed finishes the quit.
  if (link.IsOpen()) {
    link.Stop();
    return;
  }
  close();
}

void MainWindow::ReapWorker() {
  // Called only once the worker has called OnLinkClosed (or never ran):
  // all it still does is close the port and log it, so the join is short.
  // The bridge drops that last line rather than make the worker wait for
  // this thread while it joins.
  bridge.Shut();
  link.Join();
  bridge.Reopen();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      // The window closes only through its close box or "Exit".
      event->accept();
      return;
    default: QDialog::keyPressEvent(event);
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (link.IsOpen()) {
    // A flash cut in half leaves the handset part-written: the user says
    // which, and the window closes once the link has ended.
    if (flashRunning && !quitting) {
      const Answer answer =
          QuestionDialog(app, Display(text::kFlashUnderWay), text::kFinishFlash, text::kAbortFlash, Answer::First, this)
              .Ask();
      quitting = true;
      if (answer == Answer::Second) link.Stop();
    }
    link.Stop();
    event->ignore();
    return;
  }
  ReapWorker();
  SaveSettings();
  QDialog::closeEvent(event);
}

}  // namespace varnel
