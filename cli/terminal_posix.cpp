// The terminal on POSIX: UTF-8 everywhere, escape sequences on terminals,
// SIGINT, SIGTERM and SIGHUP (the terminal closed) as interrupts.
#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "cli/terminal.h"

namespace varnel::cli {
namespace {

// Written by the signal handler: the one place state must be global.
std::atomic<int> interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnSignal(int) { interrupts.fetch_add(1); }

}  // namespace

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  // A log read through a pipe whose reader has gone (the terminal closed
  // under "varnel-cli ... | tee") must not end the session before it has
  // disconnected: the write fails instead.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

int InterruptCount() { return interrupts.load(); }

void SessionEnded() {}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

void WriteText(std::FILE* stream, std::string_view utf8) {
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
  std::fflush(stream);
}

bool PrepareLineRedraw(std::FILE* /*stream*/) { return true; }

}  // namespace varnel::cli
