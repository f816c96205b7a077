// CliOwner: the command-line tool's owner of the link. Log lines go to a
// stream (standard error) as "[HH:MM:SS] text"; a progress bar is drawn
// only on a terminal; notices are printed, never waited on. The main thread
// waits for what the worker reports. Every operation may be called from the
// worker while the main thread waits.
#pragma once

#include <condition_variable>
#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "format/loader_package.h"
#include "link/link_owner.h"
#include "texts/application.h"
#include "texts/job_progress.h"
#include "texts/transfer_rate.h"

namespace varnel::cli {

enum class DrawProgress { No, Yes };

// The progress line a terminal shows: the status text, a bar, the percent,
// the counter and, once known, the rate and time left:
// "Receiving... [#############                 ]  44% 1409024/3145728 44.9 KiB/s, 0:39 left".
std::string ProgressLine(const std::string& status, uint32_t done, uint32_t total, const std::string& rate);

class CliOwner : public LinkOwner {
 public:
  CliOwner(const Application& app, std::FILE* stream, DrawProgress draw, uint32_t blockSize);

  void AppendLog(const char* text, LogColour colour) override;
  void BeginProgress(const char* logText, const char* statusText, uint32_t total, uint32_t unit,
                     LogColour colour) override;
  void StepProgress(uint32_t done, uint32_t unit) override;
  void EndProgress(const char* logText, LogColour colour) override;
  void OnLinkBusy() override {}
  void OnLoaderReady() override {}
  void OnLinkClosed() override;
  void ShowWarning(uint16_t textId) override;
  LoaderPackage* PackageFile() override { return &package; }
  uint32_t BlockSize() override { return blockSize; }
  void OnHandsetAnswered() override;
  void OnConnectEnded(const ConnectOutcome& outcome) override;
  void OnTransferEnded(const TransferOutcome& outcome) override;

  // Prints a line of the tool's own (not from the link).
  void Note(const std::string& text);

  // A job of several transfers of `total` bytes begins / has ended: one
  // progress line over all of them (texts/job_progress.h).
  void StartJob(uint32_t total);
  void EndJob();

  // A snapshot of what the worker reported so far.
  struct Events {
    bool answered = false;                    // the boot ROM's offer arrived
    std::optional<ConnectOutcome> connect;    // the last connect's end
    std::optional<TransferOutcome> transfer;  // the last transfer's end
    uint32_t transfersEnded = 0;              // how many have ended
    bool closed = false;                      // the link has ended
  };
  Events Snapshot();
  // Waits until `done` holds for the events, or `timeoutMs` passed
  // (kNoTimeLimit: no limit), calling `onTick` (if set) every tick
  // meanwhile. Returns the events seen last.
  static constexpr int64_t kNoTimeLimit = -1;
  template <typename Predicate>
  Events WaitUntil(Predicate done, int64_t timeoutMs);

  std::function<void()> onTick;

  LoaderPackage package;

 private:
  void Print(const std::string& line);
  void ClearBar();

  const Application* app;
  std::FILE* stream;
  DrawProgress draw;
  bool eraseWithEscape;  // the terminal takes "\033[K"
  uint32_t blockSize;
  std::mutex mutex;
  std::condition_variable changed;
  Events events;
  uint32_t progressTotal = 0;
  std::string progressText;
  RateMeter meter;
  JobProgress job;
  std::string rateText;  // shown after the counter, renewed a few times a second
  bool barShown = false;
  size_t barLength = 0;  // characters of the progress line shown
};

template <typename Predicate>
CliOwner::Events CliOwner::WaitUntil(Predicate done, int64_t timeoutMs) {
  constexpr std::chrono::milliseconds kTick{100};
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock<std::mutex> lock(mutex);
  while (!done(events)) {
    if (timeoutMs >= 0 && std::chrono::steady_clock::now() >= deadline) break;
    changed.wait_for(lock, kTick);
    if (onTick) {
      lock.unlock();
      onTick();
      lock.lock();
    }
  }
  return events;
}

}  // namespace varnel::cli
