// IsTerminal on Windows.
#include <io.h>

#include <atomic>
#include <csignal>

#include "cli/terminal.h"

namespace varnel::cli {
namespace {

// Written by the signal handler: the one place state must be global.
std::atomic<bool> interrupted{false};

void OnSignal(int) { interrupted.store(true); }

}  // namespace

void CatchInterrupts() {
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
}

bool InterruptRequested() { return interrupted.load(); }

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace varnel::cli
