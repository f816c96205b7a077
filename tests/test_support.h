// Helpers shared by the tests: a temporary directory, a scoped working
// directory, a FIFO that can't hang a test, and an owner that records what
// the link tells it.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "link/link_owner.h"
#include "protocol/loader_package.h"

namespace varnel::testing {

// A fresh directory under the system's temporary folder, removed with all
// its content when the object goes.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "varnel-test-XXXXXX").string();
    path = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path; }
  std::filesystem::path operator/(const std::string& name) const { return path / name; }

 private:
  std::filesystem::path path;
};

// Makes `dir` the working directory until the object goes.
class ScopedWorkingDir {
 public:
  explicit ScopedWorkingDir(const std::filesystem::path& dir)
      : previous(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~ScopedWorkingDir() { std::filesystem::current_path(previous); }
  ScopedWorkingDir(const ScopedWorkingDir&) = delete;
  ScopedWorkingDir& operator=(const ScopedWorkingDir&) = delete;

 private:
  std::filesystem::path previous;
};

// A FIFO at `path` that can't hang the test that made it: a watcher thread
// keeps opening it for writing without waiting, which succeeds only while
// someone has it open for reading, and closes it again at once, so such a
// reader, stuck in open() or read(), gets end of file. Opened() tells
// whether that ever happened. The FIFO made is removed when the object goes.
class WatchedFifo {
 public:
  explicit WatchedFifo(std::filesystem::path fifoPath)
      : path(std::move(fifoPath)), created(::mkfifo(path.c_str(), kMode) == 0) {
    watcher = std::jthread([this](std::stop_token stop) { Watch(stop); });
  }
  ~WatchedFifo() {
    watcher.request_stop();
    watcher.join();
    if (created) ::unlink(path.c_str());
  }
  WatchedFifo(const WatchedFifo&) = delete;
  WatchedFifo& operator=(const WatchedFifo&) = delete;

  bool Created() const { return created; }
  bool Opened() const { return opened.load(); }

 private:
  static constexpr mode_t kMode = S_IRUSR | S_IWUSR;
  static constexpr std::chrono::milliseconds kPollSlice{5};

  void Watch(const std::stop_token& stop) {
    while (!stop.stop_requested()) {
      const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) {
        opened.store(true);
        ::close(fd);
      }
      std::this_thread::sleep_for(kPollSlice);
    }
  }

  std::filesystem::path path;
  bool created;
  std::atomic<bool> opened{false};
  std::jthread watcher;  // last: it uses the members above
};

struct LogLine {
  std::string text;
  LogColour colour;
};

// Records log lines and calls; safe to call from the worker thread while a
// test reads.
class RecordingOwner : public LinkOwner {
 public:
  void AppendLog(const char* text, LogColour colour) override {
    std::lock_guard<std::mutex> lock(mutex);
    lines.push_back({text, colour});
  }
  void BeginProgress(const char* logText, const char*, uint32_t total, uint32_t, LogColour colour) override {
    if (logText != nullptr) AppendLog(logText, colour);
    std::lock_guard<std::mutex> lock(mutex);
    progressTotals.push_back(total);
  }
  void StepProgress(uint32_t done, uint32_t) override {
    std::lock_guard<std::mutex> lock(mutex);
    progressSteps.push_back(done);
  }
  void EndProgress(const char* logText, LogColour colour) override {
    if (logText != nullptr) AppendLog(logText, colour);
    std::lock_guard<std::mutex> lock(mutex);
    ++progressEnds;
  }
  void OnLinkBusy() override { Record("busy"); }
  void OnLoaderReady() override { Record("ready"); }
  void OnLinkClosed() override { Record("closed"); }
  void ShowWarning(uint16_t textId) override { Record("warning " + std::to_string(textId)); }
  LoaderPackage* PackageFile() override { return &package; }
  uint32_t BlockSize() override { return blockSize; }

  std::vector<LogLine> Lines() {
    std::lock_guard<std::mutex> lock(mutex);
    return lines;
  }
  std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (const LogLine& line : Lines()) texts.push_back(line.text);
    return texts;
  }
  std::vector<std::string> Events() {
    std::lock_guard<std::mutex> lock(mutex);
    return events;
  }
  // Forgets the lines, events and progress recorded so far.
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex);
    lines.clear();
    events.clear();
    progressTotals.clear();
    progressSteps.clear();
    progressEnds = 0;
  }
  // How often `event` was recorded.
  int Count(const std::string& event) {
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<int>(std::count(events.begin(), events.end(), event));
  }
  // Waits until `event` was recorded `times` times, or "closed" more than
  // `closedBefore` times; false when `timeout` ran out first.
  bool WaitFor(const std::string& event, int times, std::chrono::milliseconds timeout,
               int closedBefore = 0) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, timeout, [&] {
      return std::count(events.begin(), events.end(), event) >= times ||
             std::count(events.begin(), events.end(), "closed") > closedBefore;
    });
  }

  LoaderPackage package;
  uint32_t blockSize = 1024;
  std::vector<uint32_t> progressTotals;
  std::vector<uint32_t> progressSteps;
  int progressEnds = 0;

 private:
  void Record(const std::string& event) {
    std::lock_guard<std::mutex> lock(mutex);
    events.push_back(event);
    changed.notify_all();
  }

  std::mutex mutex;
  std::condition_variable changed;
  std::vector<LogLine> lines;
  std::vector<std::string> events;
};

}  // namespace varnel::testing
