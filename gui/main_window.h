// MainWindow: the program's only top-level window, run modally by start-up.
// It owns the link, the pages and the region panel, shows the log, the
// progress display and the main button, and turns the user's intentions
// into the link's commands. It is the link's owner: the worker reaches the
// LinkOwner operations through a GuiOwnerBridge, so they always run here on
// the GUI thread. Every member is for the GUI thread unless marked.
#pragma once

#include <QDialog>
#include <QString>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "format/loader_package.h"
#include "gui/gui_owner_bridge.h"
#include "backup/transfer_job.h"
#include "link/line_trace.h"
#include "link/link_owner.h"
#include "link/serial_link.h"
#include "link/traced_owner.h"
#include "pages/dialog_units.h"
#include "pages/enabled.h"
#include "settings/profile_store.h"
#include "settings/settings.h"
#include "texts/application.h"
#include "texts/job_progress.h"
#include "texts/transfer_rate.h"

class QAction;
class QLabel;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace varnel {

class DumpPage;
class FlashPage;
class InstructionPage;
class LogView;
class PatchListPage;
class RegionPanel;

// The main button: Connected shows "Disconnect", Idle "Switch to SERIAL".
enum class ButtonMode { Connected = 0, Idle = 1 };
// The region panel and the pages: locked while closed or busy, unlocked
// while the loader is ready.
enum class ControlsState { Closed = 0, Locked = 1, Ready = 2 };

class MainWindow : public QDialog, public LinkOwner {
  Q_OBJECT

 public:
  // Builds the window and runs its start-up: pages, tabs, the settings
  // file read once (the pages' file names and section "Settings" with the
  // line trace's file, see OpenTrace; a file
  // that is there but ignored, such as a FIFO, gives a grey log line and
  // the defaults), the loader package "Varnel.res" of the working
  // directory or else of the configuration directory (Application::
  // ConfigFile; kept open; missing is not an error here), the main button
  // showing "Switch to SERIAL" and the controls locked.
  explicit MainWindow(const Application& application, QWidget* parent = nullptr);
  // Stops and joins a worker that still runs; closes the port.
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // ---- The log and the progress display ----

  // One line: trimmed, "[%H:%M:%S] " in front, CR LF at the end, all in
  // `colour`; a blank text adds nothing. Keeps the newest line in view and
  // brings the log into view: "Instruction" switches to "Flasher",
  // "Patcher DB" to "Dumper".
  void AppendLog(const char* text, LogColour colour) override;
  void ClearLog();
  // Shows bar, status text and counter "0/total"; the bar's range is
  // 0 .. total / unit - 1 held in 16 bits. `logText` may be null.
  void BeginProgress(const char* logText, const char* statusText, uint32_t total, uint32_t unit,
                     LogColour colour) override;
  // Bar at done / unit - 1 (empty below 0), counter "done/total".
  void StepProgress(uint32_t done, uint32_t unit) override;
  // Optionally logs a line, then hides the progress display (its contents
  // stay until the next BeginProgress).
  void EndProgress(const char* logText, LogColour colour) override;
  // Remembers the current mode as the previous one and shows `mode`.
  void SetButtonMode(ButtonMode mode);

  // ---- Control states, called by the worker through the bridge ----

  void OnLinkBusy() override;     // locked: a dump or flash runs
  void OnLoaderReady() override;  // unlocked: the loader takes commands
  void OnLinkClosed() override;   // main button back to Idle, locked
  // The warning with text `textId`, modal, unless [Warning] Hide<id>=1.
  void ShowWarning(uint16_t textId) override;
  // A dump or flash has ended.
  void OnTransferEnded(const TransferOutcome& outcome) override;

  // Any thread: the loader package and the transfer block size.
  LoaderPackage* PackageFile() override;
  uint32_t BlockSize() override;

  // Lays out the window for tab `tab`: the region panel and the log on
  // the flash and dump tabs, the page alone on the others.
  void ShowPage(int tab);

  // ---- Requests of the pages ----

  // Hand a dump (flash) of the region panel's region and `fileName` to the
  // worker: only while the loader is ready and no transfer runs, else the
  // message "Please switch to SERIAL first!" and nothing changes. Offset
  // and size are converted from the panel's texts ("0x" or "0X" and one to
  // eight hexadecimal digits, blanks around ignored). An offset text (for a
  // dump also a size text) that is anything else refuses the request: a red
  // log line names the field and the text, a message tells the form
  // expected, and the link is not touched. Then the file name is copied and
  // the command written last. Range, alignment and file are the transfer's
  // to check. A flash converts the size too (it is only logged) and keeps
  // the previous size when its text does not convert.
  void RequestDump(const QString& fileName);
  void RequestFlash(const QString& fileName);

  // Closes the window as soon as it may: a connection is ended first (as
  // "Disconnect" does), a dialog that is open is closed, and the settings
  // are written as at any real close. For the system's requests to end.
  void Quit();

  // A modal message box over this window with the caption "Varnel", `text`,
  // an OK button and no icon; returns when it has closed.
  void ShowMessage(const QString& text);

  // For tests: the link, which a test puts into states while no worker
  // runs, and reads.
  SerialLink& Link() { return link; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // A close while the port is open becomes a disconnect and the window
  // stays; during a flash it first asks whether to finish the flash or to
  // abort it, and either way the window closes once the link has ended.
  // Otherwise the settings are written and the window closes.
  void closeEvent(QCloseEvent* event) override;

 private:
  QString Display(uint16_t id, uint32_t capacity = text::kTextCapacity) const;
  QMenuBar* BuildMenu();
  void BuildTopStrip();
  void BuildTabs();
  void WireActions();
  void SetTabOrder();
  void NameControls();
  void StartUp();
  // The pages' file names and the window's settings from `profile`.
  void LoadSettings(const Profile& profile);
  // A grey log line naming `file` and why it was ignored, when `read` says
  // it exists but was not read; nothing otherwise.
  void ReportIgnoredSettings(const std::filesystem::path& file, ProfileRead read);
  void SaveSettings();
  void OnMainButton();
  void Connect();
  void OnOptions();
  void OnAbout();
  // Tools -> Back up the handset... / Restore a backup...: a folder, then
  // the job (backup/backup_job.h, backup/restore_job.h) runs on this
  // connection, one transfer after another, with one progress display. A
  // restore first checks the backup, then says what will be overwritten
  // and asks. Only while the loader is ready and nothing else runs.
  void OnBackup();
  void OnRestore();
  // The folder for a backup or restore, asked with the dialog caption
  // `caption`; empty when the user cancels, or when the loader is not
  // ready or a job runs (then the user is told to connect first).
  std::string ChooseJobFolder(uint16_t caption);
  // Runs `begun` (its Begin has said yes): its first transfer to the link.
  void RunJob(std::unique_ptr<TransferJob> begun);
  // The job's last transfer ended with `outcome`: the next one, or the end.
  void NextJobPart(const TransferOutcome& outcome);
  // Hands the job's next transfer to the link, or ends the job.
  void RunJobPart();
  void FinishJob();
  // File -> Save log...: asks where, then writes the log's lines as shown
  // (time stamps included) as UTF-8 text, one line each; a red line
  // (text kSaveLogFailed) and the system's reason in grey when that fails.
  void OnSaveLog();
  // Before each connect, with no worker running: opens the line trace
  // named by TraceFile, appending a session to it, and names its file in
  // full in a grey line (text kTraceFileIs). A TraceFile that a settings
  // file in the working folder may not name (TraceFileAllowed), one that
  // names the settings file or the loader package, and a trace that can't
  // be opened (a symbolic link, a device, no permission) each give a grey
  // line saying why, and the connect goes on without a trace.
  void OpenTrace();
  void EnableControls(Enabled enabled);
  void RequestTransfer(TransferKind kind, const QString& fileName);
  // The red line for a region text that does not convert, then the form.
  void RefuseRegionText(uint16_t fieldText, const std::string& typed);
  void PlaceRegionPanel(int tab);
  void ReapWorker();

  const Application& app;
  // Declared before the link, which calls them until it is destroyed. The
  // link's owner is `tracedOwner`, which records the log lines in `trace`
  // and passes everything on to `bridge`. The trace is written by this
  // thread only while no worker runs (Connect, after the worker's join).
  GuiOwnerBridge bridge;
  LineTrace trace;
  TracedOwner tracedOwner;
  SerialLink link;
  DialogUnits units;
  LoaderPackage package;

  QMenuBar* menu = nullptr;
  QAction* saveLogAction = nullptr;
  QAction* exitAction = nullptr;
  QAction* optionsAction = nullptr;
  QAction* backupAction = nullptr;
  QAction* restoreAction = nullptr;
  QAction* aboutAction = nullptr;
  QWidget* client = nullptr;  // everything below the menu
  QPushButton* mainButton = nullptr;
  QLabel* statusText = nullptr;
  QLabel* counter = nullptr;
  QProgressBar* progressBar = nullptr;
  QTabWidget* tabs = nullptr;
  LogView* log = nullptr;
  RegionPanel* regionPanel = nullptr;
  InstructionPage* instructionPage = nullptr;
  FlashPage* flashPage = nullptr;
  DumpPage* dumpPage = nullptr;
  PatchListPage* patchListPage = nullptr;
  QWidget* flashHost = nullptr;  // region panel and flash page
  QWidget* dumpHost = nullptr;   // region panel and dump page

  ButtonMode buttonMode = ButtonMode::Connected;
  ButtonMode previousButtonMode = ButtonMode::Connected;
  ControlsState controlsState = ControlsState::Locked;
  uint32_t progressTotal = 0;
  uint16_t progressUpperBound = 0;
  // The transfer's status text as the link gave it, and its rate and time
  // left, shown after it a few times a second.
  QString progressStatus;
  RateMeter rateMeter;
  int32_t comSpeed = kDefaultComSpeed;
  int32_t comPort = kDefaultComPort;
  // Read by the worker during a connection, changed only between them.
  std::atomic<int32_t> blockSize{kDefaultBlockSize};
  int32_t lastTab = 0;
  // The line trace's file as the settings file gives it (UTF-8) and where
  // that settings file lies; empty: no trace.
  std::string traceFile;
  SettingsPlace settingsPlace = SettingsPlace::WorkingDir;
  // The file the trace of the current connection writes, as the file system
  // spells it; empty when none. A transfer may not use it.
  std::string tracePath;
  // The window closes as soon as the link has ended (a quit signal came,
  // or it was closed during a flash).
  bool quitting = false;
  // A flash was handed to the worker and has not ended.
  bool flashRunning = false;
  // The job of several transfers under way, and its one progress display.
  std::unique_ptr<TransferJob> job;
  JobProgress jobProgress;
  // The window lays itself out only once its start-up has run.
  bool startedUp = false;
};

}  // namespace varnel
