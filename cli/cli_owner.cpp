// CliOwner: the log on a stream, the progress bar on a terminal.
#include "cli/cli_owner.h"

#include <cstring>
#include <ctime>
#include <limits>

#include "cli/terminal.h"
#include "texts/log_line.h"

namespace varnel::cli {
namespace {

constexpr int kBarWidth = 30;
constexpr char kEraseLine[] = "\r\033[K";

}  // namespace

CliOwner::CliOwner(const Application& application, std::FILE* out, DrawProgress drawBar,
                   uint32_t size)
    : app(&application),
      stream(out),
      draw(drawBar),
      eraseWithEscape(drawBar == DrawProgress::Yes && PrepareLineRedraw(out)),
      blockSize(size) {}

void CliOwner::Print(const std::string& line) {
  ClearBar();
  WriteText(stream, line);
}

void CliOwner::ClearBar() {
  if (!barShown) return;
  // A console without escape sequences gets the line wiped with blanks.
  WriteText(stream, eraseWithEscape ? std::string(kEraseLine)
                                    : "\r" + std::string(barLength, ' ') + "\r");
  barShown = false;
}

void CliOwner::AppendLog(const char* text, LogColour /*colour*/) {
  std::optional<std::string> line = FormatLogLine(app->ToDisplay(text), std::time(nullptr));
  if (!line) return;
  line->resize(line->size() - std::strlen(kLogLineEnd));
  std::lock_guard<std::mutex> lock(mutex);
  Print(*line + "\n");
  changed.notify_all();  // a waiter may be watching the link's own flags
}

void CliOwner::Note(const std::string& text) { AppendLog(text.c_str(), kBlack); }

void CliOwner::BeginProgress(const char* logText, const char* statusText, uint32_t total,
                             uint32_t unit, LogColour colour) {
  if (logText != nullptr) AppendLog(logText, colour);
  std::lock_guard<std::mutex> lock(mutex);
  progressTotal = total;
  progressText = app->ToDisplay(statusText);
  static_cast<void>(unit);
}

void CliOwner::StepProgress(uint32_t done, uint32_t /*unit*/) {
  std::lock_guard<std::mutex> lock(mutex);
  if (draw == DrawProgress::No || progressTotal == 0) return;
  int filled = static_cast<int>(static_cast<uint64_t>(done) * kBarWidth / progressTotal);
  if (filled > kBarWidth) filled = kBarWidth;
  char counter[2 * std::numeric_limits<uint32_t>::digits10 + 4];
  std::snprintf(counter, sizeof counter, "%u/%u", done, progressTotal);
  std::string bar = std::string(static_cast<size_t>(filled), '#');
  bar.resize(kBarWidth, ' ');
  const std::string line = progressText + " [" + bar + "] " + counter;
  WriteText(stream, "\r" + line);
  barLength = line.size();
  barShown = true;
}

void CliOwner::EndProgress(const char* logText, LogColour colour) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    ClearBar();
  }
  if (logText != nullptr) AppendLog(logText, colour);
}

void CliOwner::OnLinkClosed() {
  std::lock_guard<std::mutex> lock(mutex);
  events.closed = true;
  changed.notify_all();
}

void CliOwner::ShowWarning(uint16_t textId) { AppendLog(app->Text(textId).c_str(), kBlack); }

void CliOwner::OnHandsetAnswered() {
  std::lock_guard<std::mutex> lock(mutex);
  events.answered = true;
  changed.notify_all();
}

void CliOwner::OnConnectEnded(const ConnectOutcome& outcome) {
  std::lock_guard<std::mutex> lock(mutex);
  events.connect = outcome;
  changed.notify_all();
}

void CliOwner::OnTransferEnded(const TransferOutcome& outcome) {
  std::lock_guard<std::mutex> lock(mutex);
  events.transfer = outcome;
  changed.notify_all();
}

CliOwner::Events CliOwner::Snapshot() {
  std::lock_guard<std::mutex> lock(mutex);
  return events;
}

}  // namespace varnel::cli
