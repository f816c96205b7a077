// Log benchmark: appends 100,000 lines to the main window's log, offscreen,
// serving the window's events every 100 lines as a busy worker would, and
// prints the time per line (overall, and for the first and the last 1,000
// lines, which shows whether a long log slows appending), then the time of
// a full repaint of the window holding them.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

#include "gui/main_window.h"
#include "texts/code_page.h"
#include "texts/log_colour.h"

namespace {

constexpr int kLines = 100000;
constexpr int kLinesPerEventTurn = 100;
constexpr int kSampleLines = 1000;
constexpr double kNanosecondsPerMicrosecond = 1000.0;
constexpr double kNanosecondsPerMillisecond = 1000000.0;
constexpr varnel::LogColour kColours[] = {varnel::kBlack, varnel::kGrey, varnel::kGreen, varnel::kRed};

double MicrosecondsPerLine(qint64 nanoseconds, int lines) {
  return static_cast<double>(nanoseconds) / kNanosecondsPerMicrosecond / lines;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qtApplication(argc, argv);
  // An empty working directory of its own: no settings file is read, and
  // the window is never closed, so none is written.
  const QTemporaryDir dir;
  if (!dir.isValid() || !QDir::setCurrent(dir.path())) {
    std::fprintf(stderr, "log_bench: no temporary directory\n");
    return 1;
  }

  varnel::Application app("Varnel", varnel::kUtf8CodePage, {});
  varnel::MainWindow window(app);
  window.show();
  QCoreApplication::processEvents();

  QElapsedTimer clock;
  qint64 first = 0;
  qint64 lastStart = 0;
  clock.start();
  for (int i = 0; i < kLines; ++i) {
    if (i == kSampleLines) first = clock.nsecsElapsed();
    if (i == kLines - kSampleLines) lastStart = clock.nsecsElapsed();
    const std::string text = "Block " + std::to_string(i) + " received, 1024 bytes (Serial_XM:180)";
    window.AppendLog(text.c_str(), kColours[i % std::size(kColours)]);
    if (i % kLinesPerEventTurn == 0) QCoreApplication::processEvents();
  }
  QCoreApplication::processEvents();
  const qint64 total = clock.nsecsElapsed();

  clock.restart();
  window.repaint();
  const qint64 repaint = clock.nsecsElapsed();

  const int shown = window.findChild<QPlainTextEdit*>("log")->document()->blockCount() - 1;
  std::printf("log_bench: %d lines (%d in the log) in %.0f ms: %.1f us per line\n", kLines, shown,
              static_cast<double>(total) / kNanosecondsPerMillisecond, MicrosecondsPerLine(total, kLines));
  std::printf("  first %d lines: %.1f us per line; last %d lines: %.1f us per line\n", kSampleLines,
              MicrosecondsPerLine(first, kSampleLines), kSampleLines,
              MicrosecondsPerLine(total - lastStart, kSampleLines));
  std::printf("  repaint of the window afterwards: %.2f ms\n",
              static_cast<double>(repaint) / kNanosecondsPerMillisecond);
  QDir::setCurrent(QDir::tempPath());
  return 0;
}
