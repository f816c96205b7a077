// Running the Windows programs under Wine from the tests (POSIX side): a
// child process that is ended when its owner goes, bounded waits for its
// exit, the prefix's COM port linked to the simulated handset, paths as
// Wine names them, and a command's output.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/child_process.h"

namespace varnel::testing {

inline constexpr std::chrono::seconds kStopGrace{5};

// `path` as Wine names it on its drive Z:, the root of the file system.
inline std::string WindowsPath(const std::filesystem::path& path) {
  std::string name = "Z:" + path.string();
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

// Points the prefix's port `dosName` ("com7": dosdevices names are lower
// case) at `device`.
inline void LinkComPort(const std::filesystem::path& prefix, const std::string& dosName, const std::string& device) {
  const std::filesystem::path link = prefix / "dosdevices" / dosName;
  std::error_code ignored;
  std::filesystem::remove(link, ignored);
  std::filesystem::create_symlink(device, link);
}

// A process started with posix_spawn; ended (SIGTERM, then SIGKILL if it
// is still there after kStopGrace) and reaped when the object goes while it
// still runs, so a failed test leaves nothing behind.
class ChildProcess {
 public:
  // Starts argv[0] with `env` in `workingDir`, standard output and error
  // going to `logFile`; standard input is empty.
  ChildProcess(std::vector<std::string> argv, std::vector<std::string> env, const std::filesystem::path& workingDir,
               const std::filesystem::path& logFile) {
    std::vector<char*> args;
    for (std::string& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 2, 1);
    if (::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid = 0;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~ChildProcess() {
    Signal(SIGTERM);
    ExitStatusWithin(kStopGrace);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid > 0 || status.has_value(); }
  // Sends `signal` while it runs (never to a process that has been reaped).
  void Signal(int signal) {
    if (pid > 0) ::kill(pid, signal);
  }

  // Whether it has ended; reaps it when it has.
  bool Ended() {
    int raw = 0;
    if (pid > 0 && ::waitpid(pid, &raw, WNOHANG) == pid) {
      status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
      pid = 0;
    }
    return pid == 0;
  }

  // The exit status once it ended within `limit`; -1 when it did not (it
  // is killed then) or when a signal ended it.
  int ExitStatusWithin(std::chrono::milliseconds limit) {
    if (!PollUntil([&] { return Ended(); }, limit)) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
      pid = 0;
      return -1;
    }
    return status.value_or(-1);
  }

 private:
  pid_t pid = 0;
  std::optional<int> status;
};

// What `command` (a shell command of the test's own making) printed on
// standard output, and whether it exited 0.
struct CommandOutput {
  std::string text;
  bool ok = false;
};

inline CommandOutput RunCommand(const std::string& command) {
  CommandOutput output;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[512];
  size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.text.append(buffer, count);
  output.ok = ::pclose(pipe) == 0;
  return output;
}

}  // namespace varnel::testing
