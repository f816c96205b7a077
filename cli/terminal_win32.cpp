// The terminal on Windows: the console's wide-character output (its code
// page is often not the program's), the ANSI code page when redirected,
// virtual-terminal processing for the progress line where the console has
// it, and the console's control events as interrupts.
#include <io.h>
#include <windows.h>

#include <atomic>
#include <string>

#include "cli/terminal.h"
#include "texts/code_page.h"

namespace varnel::cli {
namespace {

// Written by the console's control handler, which runs on a thread of its
// own: the one place state must be global.
std::atomic<int> interrupts{0};
// The session does not outlive these: they count as a stop that insists.
constexpr int kInsistingStops = 2;
std::atomic<HANDLE> sessionEnded{nullptr};

// Windows ends the process a few seconds (five for a closed console) after
// it sent a close, logoff or shutdown event, whatever the handler does,
// counted from the event, not from the handler's start on its new thread:
// the wait for the session leaves a second of them spare. The line trace
// writes through to the disk from the interrupt on, so none of it waits
// for this.
constexpr DWORD kCloseGraceMs = 4000;

std::wstring Widen(std::string_view text, UINT codePage) {
  const int length = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), n);
  return wide;
}

// The console behind `stream`, or null when it is redirected.
HANDLE ConsoleOf(std::FILE* stream) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

BOOL WINAPI OnControl(DWORD event) {
  switch (event) {
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      interrupts.fetch_add(kInsistingStops);
      // The process ends when this returns: let the session disconnect
      // first, as far as the system's limit allows.
      if (HANDLE ended = sessionEnded.load()) WaitForSingleObject(ended, kCloseGraceMs);
      return TRUE;
    default: interrupts.fetch_add(1); return TRUE;  // Ctrl+C, Ctrl+Break: the session stops by itself
  }
}

}  // namespace

void CatchInterrupts() {
  // Lives as long as the process: the handler may wait on it to the end.
  if (sessionEnded.load() == nullptr) sessionEnded.store(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  SetConsoleCtrlHandler(OnControl, TRUE);
}

int InterruptCount() { return interrupts.load(); }

void SessionEnded() {
  if (HANDLE ended = sessionEnded.load()) SetEvent(ended);
}

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

void WriteText(std::FILE* stream, std::string_view utf8) {
  std::fflush(stream);
  if (HANDLE console = ConsoleOf(stream)) {
    const std::wstring wide = Widen(utf8, CP_UTF8);
    DWORD written = 0;
    WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  const std::string ansi = FromUtf8(utf8, SystemCodePage());
  std::fwrite(ansi.data(), 1, ansi.size(), stream);
  std::fflush(stream);
}

bool PrepareLineRedraw(std::FILE* stream) {
  HANDLE console = ConsoleOf(stream);
  DWORD mode = 0;
  if (console == nullptr || !GetConsoleMode(console, &mode)) return false;
  return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace varnel::cli
