// A FIFO that can't hang the test that made it, for tests of code that
// must never open one. POSIX only: Windows has no FIFOs in its file system.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <stop_token>
#include <thread>

namespace varnel::testing {

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

}  // namespace varnel::testing
