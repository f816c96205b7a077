// CliOwner: the log on a stream, the progress bar on a terminal.
#include "cli/cli_owner.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "cli/terminal.h"
#include "texts/log_line.h"

namespace varnel::cli {
namespace {

constexpr int kBarWidth = 30;
constexpr uint64_t kPercent = 100;
constexpr char kEraseLine[] = "\r\033[K";

}  // namespace

std::string ProgressLine(const std::string& status, uint32_t done, uint32_t total, const std::string& rate) {
  const uint64_t part = total == 0 ? 0 : std::min<uint64_t>(done, total);
  const int filled = total == 0 ? 0 : static_cast<int>(part * kBarWidth / total);
  const int percent = total == 0 ? 0 : static_cast<int>(part * kPercent / total);
  std::string bar(static_cast<size_t>(filled), '#');
  bar.resize(kBarWidth, ' ');
  char figures[64];
  std::snprintf(figures, sizeof figures, "%3d%% %u/%u", percent, done, total);
  std::string line = status + " [" + bar + "] " + figures;
  if (!rate.empty()) line += " " + rate;
  return line;
}

CliOwner::CliOwner(const Application& application, std::FILE* out, DrawProgress drawBar, uint32_t size)
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
  WriteText(stream, eraseWithEscape ? std::string(kEraseLine) : "\r" + std::string(barLength, ' ') + "\r");
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

void CliOwner::StartJob(uint32_t total) {
  std::lock_guard<std::mutex> lock(mutex);
  job.Start(total);
}

void CliOwner::EndJob() {
  std::lock_guard<std::mutex> lock(mutex);
  job.Stop();
  ClearBar();
}

void CliOwner::BeginProgress(const char* logText, const char* statusText, uint32_t total, uint32_t unit,
                             LogColour colour) {
  if (logText != nullptr) AppendLog(logText, colour);
  std::lock_guard<std::mutex> lock(mutex);
  bool fresh = true;
  total = job.Begin(total, &fresh);
  progressText = app->ToDisplay(statusText);
  static_cast<void>(unit);
  if (!fresh) return;
  progressTotal = total;
  meter.Start(total, RateMeter::Clock::now());
  rateText.clear();
}

void CliOwner::StepProgress(uint32_t done, uint32_t /*unit*/) {
  std::lock_guard<std::mutex> lock(mutex);
  done = job.Step(done);
  if (draw == DrawProgress::No || progressTotal == 0) return;
  const auto now = RateMeter::Clock::now();
  meter.Step(done, now);
  if (meter.RefreshDue(now)) rateText = app->ToDisplay(RateAndTimeLeftText(*app, meter));
  std::string line = ProgressLine(progressText, done, progressTotal, rateText);
  const size_t length = line.size();
  // A shorter line covers what is left of the longer one before it.
  if (length < barLength) line.append(barLength - length, ' ');
  WriteText(stream, "\r" + line);
  barLength = length;
  barShown = true;
}

void CliOwner::EndProgress(const char* logText, LogColour colour) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (job.Hides()) ClearBar();
  }
  if (logText != nullptr) AppendLog(logText, colour);
}

void CliOwner::OnLinkClosed() {
  std::lock_guard<std::mutex> lock(mutex);
  events.closed = true;
  changed.notify_all();
}

void CliOwner::ShowWarning(uint16_t textId) {
  // A notice of several lines (the connect instructions) is logged a line
  // at a time: the log shows a line break inside a line as "\n".
  const std::string notice = app->Text(textId);
  size_t start = 0;
  while (start <= notice.size()) {
    const size_t end = std::min(notice.find('\n', start), notice.size());
    AppendLog(notice.substr(start, end - start).c_str(), kBlack);
    start = end + 1;
  }
}

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
  ++events.transfersEnded;
  changed.notify_all();
}

CliOwner::Events CliOwner::Snapshot() {
  std::lock_guard<std::mutex> lock(mutex);
  return events;
}

}  // namespace varnel::cli
