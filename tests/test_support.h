// Helpers shared by the tests on every platform: a temporary directory, a
// scoped working directory, a file's whole content read and written, and an
// owner that records what the link tells it.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "format/loader_package.h"
#include "link/link_owner.h"

namespace varnel::testing {

// A fresh directory under the system's temporary folder, removed with all
// its content when the object goes. Throws std::filesystem::filesystem_error
// or std::runtime_error when none can be made, which fails the test that
// asked for it.
class TempDir {
 public:
  TempDir() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device entropy;
    // Creating a directory fails when the name exists, so a name taken by a
    // parallel test is never shared; another random one is tried.
    for (int attempt = 0; attempt < kNameTries && path.empty(); ++attempt) {
      const std::filesystem::path candidate =
          base / ("varnel-test-" + std::to_string(entropy()) + "-" + std::to_string(entropy()));
      if (std::filesystem::create_directory(candidate)) path = candidate;
    }
    if (path.empty()) throw std::runtime_error("no free temporary directory name in " + base.string());
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
  static constexpr int kNameTries = 16;

  std::filesystem::path path;
};

// A file's whole content (empty when it can't be read), and a file made
// to hold exactly `content`.
inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  const std::string text = ReadText(path);
  return std::vector<uint8_t>(text.begin(), text.end());
}
inline void WriteText(const std::filesystem::path& path, std::string_view content) {
  std::ofstream(path, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
}
inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  WriteText(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Makes `dir` the working directory until the object goes.
class ScopedWorkingDir {
 public:
  explicit ScopedWorkingDir(const std::filesystem::path& dir) : previous(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~ScopedWorkingDir() { std::filesystem::current_path(previous); }
  ScopedWorkingDir(const ScopedWorkingDir&) = delete;
  ScopedWorkingDir& operator=(const ScopedWorkingDir&) = delete;

 private:
  std::filesystem::path previous;
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
  void BeginProgress(const char* logText, const char*, uint32_t, uint32_t, LogColour colour) override {
    if (logText != nullptr) AppendLog(logText, colour);
  }
  void StepProgress(uint32_t done, uint32_t) override {
    std::lock_guard<std::mutex> lock(mutex);
    progressSteps.push_back(done);
  }
  void EndProgress(const char* logText, LogColour colour) override {
    if (logText != nullptr) AppendLog(logText, colour);
  }
  void OnLinkBusy() override { Record("busy"); }
  void OnLoaderReady() override { Record("ready"); }
  void OnLinkClosed() override { Record("closed"); }
  void ShowWarning(uint16_t textId) override { Record("warning " + std::to_string(textId)); }
  LoaderPackage* PackageFile() override { return &package; }
  uint32_t BlockSize() override { return blockSize; }
  void OnTransferEnded(const TransferOutcome& outcome) override {
    {
      std::lock_guard<std::mutex> lock(mutex);
      transfers.push_back(outcome);
    }
    Record("transfer");
  }

  // The outcome of the last transfer (none yet: a default one).
  TransferOutcome LastTransfer() {
    std::lock_guard<std::mutex> lock(mutex);
    return transfers.empty() ? TransferOutcome{} : transfers.back();
  }

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
    progressSteps.clear();
  }
  // How often `event` was recorded.
  int Count(const std::string& event) {
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<int>(std::count(events.begin(), events.end(), event));
  }
  // Waits until `event` was recorded `times` times, or "closed" more than
  // `closedBefore` times; false when `timeout` ran out first.
  bool WaitFor(const std::string& event, int times, std::chrono::milliseconds timeout, int closedBefore = 0) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, timeout, [&] {
      return std::count(events.begin(), events.end(), event) >= times ||
             std::count(events.begin(), events.end(), "closed") > closedBefore;
    });
  }

  LoaderPackage package;
  uint32_t blockSize = 1024;
  std::vector<uint32_t> progressSteps;

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
  std::vector<TransferOutcome> transfers;
};

}  // namespace varnel::testing
