// Child processes for the POSIX tests, each bounded in time and reaped: a
// program started with its standard streams in files (Spawn) and its exit
// status within a bound (ExitStatusWithin), a forked body that reports
// through a pipe (ForkedChild), and a wait for a condition (PollUntil).
// The Wine tests keep their spawned programs in tests/wine_session.h.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "files/unique_fd.h"

namespace varnel::testing {

inline constexpr int kChildAnswerMs = 10000;  // a child reports at once; this bounds a broken one
inline constexpr std::chrono::milliseconds kPollSlice{10};

// Whether `condition` came true within `limit`, asked every kPollSlice.
inline bool PollUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(kPollSlice);
  }
  return true;
}

// Starts `args` (the program's path first) with standard error going to
// `errorFile` and, unless it is empty, standard output to `outputFile`;
// `environment` entries ("NAME=value") are added to this process's. The
// process's id, 0 (and a failed expectation) when it could not start.
inline pid_t Spawn(std::vector<std::string> args, const std::string& errorFile, const std::string& outputFile = {},
                   std::vector<std::string> environment = {}) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  for (char** entry = environ; *entry != nullptr; ++entry) envp.push_back(*entry);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (!outputFile.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  }
  pid_t pid = 0;
  EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// The exit status, once the process has ended within `limit`; -1 when it
// ended by a signal or was still running then (it is killed and reaped).
inline int ExitStatusWithin(pid_t pid, std::chrono::milliseconds limit) {
  int status = 0;
  if (!PollUntil([&] { return ::waitpid(pid, &status, WNOHANG) != 0; }, limit)) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Writes all of `text` into `fd`.
inline void WriteAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

// A forked child running a body that reports through a pipe. The body runs
// in the child only and ends it; the object kills and reaps the child when
// it goes.
class ForkedChild {
 public:
  template <typename Body>
  explicit ForkedChild(Body body) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);
    pid = ::fork();
    if (pid == 0) {
      readEnd.Reset();
      body(writeEnd.Get());
      ::_exit(0);
    }
    if (pid > 0) report = std::move(readEnd);
  }
  ~ForkedChild() {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
  ForkedChild(const ForkedChild&) = delete;
  ForkedChild& operator=(const ForkedChild&) = delete;

  pid_t Pid() const { return pid; }

  // What the child wrote until it wrote `end` or closed its end, at most
  // kChildAnswerMs; "" when the fork failed.
  std::string Read(const std::string& end = "") {
    std::string text;
    char buffer[256];
    while (report.Valid() && (end.empty() || text.find(end) == std::string::npos)) {
      pollfd p{report.Get(), POLLIN, 0};
      if (::poll(&p, 1, kChildAnswerMs) <= 0) break;
      const ssize_t n = ::read(report.Get(), buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<size_t>(n));
    }
    return text;
  }

 private:
  pid_t pid = -1;
  UniqueFd report;
};

}  // namespace varnel::testing
