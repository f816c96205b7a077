// Helpers of the GUI tests: waiting while the GUI thread serves events, the
// log's lines as shown, named child widgets and the names a screen reader
// reads for them, a closer for modal message boxes, and a fixture with its
// own working directory.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QColor>
#include <QAbstractItemView>
#include <QFileDialog>
#include <QLineEdit>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "gui/main_window.h"
#include "pages/warning_dialog.h"
#include "tests/test_support.h"
#include "texts/code_page.h"

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

// One line of the log as shown: its text and the colour of its first
// character; `uniform` tells whether every character has that colour.
struct ShownLine {
  std::string text;
  QColor colour;
  bool uniform = true;
};

// Every line of the log but the empty one after the last line break.
inline std::vector<ShownLine> LogLines(QWidget& window) {
  auto* log = window.findChild<QPlainTextEdit*>("log");
  std::vector<ShownLine> lines;
  if (log == nullptr) return lines;
  const QTextDocument* document = log->document();
  for (QTextBlock block = document->begin(); block != document->lastBlock(); block = block.next()) {
    ShownLine line{block.text().toStdString(), QColor(), true};
    bool first = true;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QColor colour = it.fragment().charFormat().foreground().color();
      if (first) line.colour = colour;
      line.uniform = line.uniform && colour == line.colour;
      first = false;
    }
    lines.push_back(line);
  }
  return lines;
}

// The line's text without its "[HH:MM:SS] " time stamp (unchanged when it
// has none).
inline std::string WithoutStamp(const std::string& line) {
  constexpr size_t kStampLength = 11;
  const bool stamped = line.size() >= kStampLength && line[0] == '[' && line[3] == ':' && line[6] == ':' &&
                       line[9] == ']' && line[10] == ' ';
  return stamped ? line.substr(kStampLength) : line;
}

inline std::vector<std::string> LogTexts(QWidget& window) {
  std::vector<std::string> texts;
  for (const ShownLine& line : LogLines(window)) texts.push_back(WithoutStamp(line.text));
  return texts;
}

inline bool Logged(QWidget& window, const std::string& text) {
  const std::vector<std::string> texts = LogTexts(window);
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

template <typename Widget>
Widget* Child(QWidget& window, const char* name) {
  return window.findChild<Widget*>(name);
}

// What a screen reader reads as the name of `widget`: the name set on it,
// or what Qt takes for one (a label's or a button's text).
inline std::string AccessibleName(QWidget* widget) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  return accessible == nullptr ? std::string() : accessible->text(QAccessible::Name).toStdString();
}

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
      : probe(std::move(probeNow)) {
    QObject::connect(&timer, &QTimer::timeout, [this] { CloseOne(); });
    timer.start(static_cast<int>(kEventSlice.count()));
  }

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
  QTimer timer;
};

// Runs `action` once on the first visible modal dialog of type `Dialog`
// that comes up while the object lives; it is polled as the GUI thread
// serves events, inside the dialog's own event loop too. An action that
// opens another modal dialog needs another OnModal for that one.
template <typename Dialog>
class OnModal {
 public:
  explicit OnModal(std::function<void(Dialog&)> act) : action(std::move(act)) {
    QObject::connect(&timer, &QTimer::timeout, [this] { Poll(); });
    timer.start(static_cast<int>(kEventSlice.count()));
  }

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
  QTimer timer;
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

  // Builds the window (after the test prepared the directory) and shows it.
  MainWindow& Open() {
    window = std::make_unique<MainWindow>(app);
    window->show();
    return *window;
  }

  TempDir dir;
  ScopedWorkingDir workingDir;
  Application app;
  std::unique_ptr<MainWindow> window;
};

}  // namespace varnel::testing
