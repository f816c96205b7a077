// Helpers of the GUI tests: the Qt classes and the window's headers they
// share, waiting while the GUI thread serves events, the log's lines as
// shown, the window's parts by name, menu items and tabs, the names a
// screen reader reads, a closer for modal message boxes, and a fixture
// with its own working directory.
#pragma once

#include <gtest/gtest.h>

// Every widget class and the simulated keyboard and mouse.
#include <QTest>
#include <QtWidgets>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "gui/log_view.h"
#include "gui/main_window.h"
#include "gui/page_layout.h"
#include "pages/file_page.h"
#include "pages/region_panel.h"
#include "pages/warning_dialog.h"
#include "tests/test_support.h"
#include "texts/code_page.h"
#include "texts/log_colour.h"

namespace varnel::testing {

inline constexpr std::chrono::milliseconds kEventSlice{10};
inline constexpr std::chrono::seconds kGuiTimeout{60};

// Serves the GUI thread's events until `condition` holds; false when
// `timeout` ran out first.
inline bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = kGuiTimeout) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > timeout.count()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(kEventSlice.count()));
  }
  return true;
}

// The log as shown, line by line: the text without its stamp and which of
// the log's four colours it has. A line without a stamp or of more than
// one colour is marked in its text, one of another colour gets 0xFFFFFFFF,
// so that no comparison passes.
using ColouredLine = std::pair<std::string, LogColour>;
inline std::vector<ColouredLine> ColouredLog(QWidget& window) {
  std::vector<ColouredLine> lines;
  const QTextDocument* document = window.findChild<QPlainTextEdit*>("log")->document();
  // Every block but the empty one after the last line break.
  for (QTextBlock block = document->begin(); block != document->lastBlock(); block = block.next()) {
    constexpr size_t kStampLength = 11;  // "[HH:MM:SS] " before the text
    const std::string shown = block.text().toStdString();
    const bool stamped = shown.size() >= kStampLength && shown[0] == '[' && shown[3] == ':' && shown[6] == ':' &&
                         shown[9] == ']' && shown[10] == ' ';
    std::string text = stamped ? shown.substr(kStampLength) : "(no stamp) " + shown;
    std::set<QRgb> colours;
    for (auto it = block.begin(); !it.atEnd(); ++it)
      colours.insert(it.fragment().charFormat().foreground().color().rgb());
    if (colours.size() > 1) text = "(mixed colours) " + text;
    LogColour colour = 0xFFFFFFFF;
    for (LogColour known : {kBlack, kGrey, kGreen, kRed}) {
      if (!colours.empty() && ToQColor(known).rgb() == *colours.begin()) colour = known;
    }
    lines.emplace_back(text, colour);
  }
  return lines;
}

inline std::vector<std::string> LogTexts(QWidget& window) {
  std::vector<std::string> texts;
  for (const ColouredLine& line : ColouredLog(window)) texts.push_back(line.first);
  return texts;
}

inline bool Logged(QWidget& window, const std::string& text) {
  const std::vector<std::string> texts = LogTexts(window);
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// What a screen reader reads as the name of `widget`: the name set on it,
// or what Qt takes for one (a label's or a button's text).
inline std::string AccessibleName(QWidget* widget) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  return accessible == nullptr ? std::string() : accessible->text(QAccessible::Name).toStdString();
}

// Calls `poll` at every slice of the GUI thread's events while it lives,
// inside a modal dialog's own event loop too.
class Poller {
 public:
  explicit Poller(std::function<void()> poll) {
    QObject::connect(&timer, &QTimer::timeout, std::move(poll));
    timer.start(static_cast<int>(kEventSlice.count()));
  }

 private:
  QTimer timer;
};

// Closes every modal message box and warning that appears, with OK, after
// noting its caption, its text and what `probe` says at that moment.
class ModalCloser {
 public:
  struct Seen {
    std::string caption;
    std::string text;
    std::string probe;
  };

  explicit ModalCloser(std::function<std::string()> probeNow = [] { return std::string(); })
      : probe(std::move(probeNow)) {}

  std::vector<Seen> seen;

 private:
  void CloseOne() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      seen.push_back({box->windowTitle().toStdString(), box->text().toStdString(), probe()});
      box->button(QMessageBox::Ok)->click();
    } else if (auto* warning = qobject_cast<WarningDialog*>(modal)) {
      seen.push_back({warning->windowTitle().toStdString(), warning->Text().toStdString(), probe()});
      warning->OkButton()->click();
    }
  }

  std::function<std::string()> probe;
  Poller poller{[this] { CloseOne(); }};
};

// Runs `action` once on the first visible modal dialog of type `Dialog`
// that comes up while the object lives. An action that opens another modal
// dialog needs another OnModal for that one.
template <typename Dialog>
class OnModal {
 public:
  explicit OnModal(std::function<void(Dialog&)> act) : action(std::move(act)) {}

  bool Done() const { return done; }

 private:
  void Poll() {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (done || dialog == nullptr || !dialog->isVisible()) return;
    done = true;
    action(*dialog);
  }

  std::function<void(Dialog&)> action;
  bool done = false;
  Poller poller{[this] { Poll(); }};
};

// Goes to the folder of `path` in Qt's own file dialog, types the file's
// name and presses the accept button, as a user would. (A whole path typed
// into a name box without the focus makes the dialog select that file and
// put back its bare name, relative to the folder shown.) The list's
// selection is dropped last: it would win over the typed name.
inline void TypeAndAccept(QFileDialog& dialog, const std::filesystem::path& path) {
  dialog.setDirectory(QString::fromStdString(path.parent_path().string()));
  dialog.findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(path.filename().string()));
  for (QAbstractItemView* view : dialog.findChildren<QAbstractItemView*>()) {
    if (view->selectionModel() != nullptr) view->selectionModel()->clearSelection();
  }
  static_cast<QDialog&>(dialog).accept();  // QFileDialog hides its override
}

// A test in its own working directory, with the program's English texts.
class GuiTest : public ::testing::Test {
 protected:
  GuiTest() : workingDir(dir.Path()), app("Varnel", kUtf8CodePage, {}) {}

  std::filesystem::path SettingsFile() const { return dir / "Varnel.ini"; }

  // Builds the window (after the test prepared the directory) for `with`
  // (the fixture's application unless given) and shows it.
  MainWindow& Open(Application* with = nullptr) {
    window = std::make_unique<MainWindow>(with == nullptr ? app : *with);
    window->show();
    return *window;
  }

  // Opens the window and makes it the active one: its controls take the
  // focus.
  void OpenActive() {
    Open();
    window->activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == window.get(); }));
  }

  // The window's parts by name.
  template <typename Widget = QWidget>
  Widget* Part(const char* name) {
    return window->findChild<Widget*>(name);
  }
  QTabWidget* Tabs() { return Part<QTabWidget>("tabs"); }
  void SelectTab(int tab) { Tabs()->setCurrentIndex(tab); }
  RegionPanel* Panel() { return Part<RegionPanel>("regionPanel"); }
  QPushButton* MainButton() { return Part<QPushButton>("mainButton"); }
  QLineEdit* Box(const char* name) { return Part<QLineEdit>(name); }
  QLineEdit* FileBox(const char* page) { return Part(page)->findChild<QLineEdit*>("fileBox"); }
  QPushButton* StartButton(const char* page) { return Part(page)->findChild<QPushButton*>("startButton"); }

  // Triggers the menu item with the caption `item`.
  void TriggerMenu(const char* item) {
    for (QAction* top : window->findChild<QMenuBar*>()->actions()) {
      for (QAction* action : top->menu()->actions()) {
        if (action->text() == item) action->trigger();
      }
    }
  }

  TempDir dir;
  ScopedWorkingDir workingDir;
  Application app;
  std::unique_ptr<MainWindow> window;
};

}  // namespace varnel::testing
