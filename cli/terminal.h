// The terminal varnel-cli writes to and the requests to stop that reach it:
// text written in the way each system shows it, whether a progress line can
// be redrawn, and interrupts (Ctrl+C, and on Windows Ctrl+Break and closing
// the console window; on POSIX SIGINT, SIGTERM and SIGHUP).
#pragma once

#include <cstdio>
#include <string_view>

namespace varnel::cli {

bool IsTerminal(std::FILE* stream);

// Writes UTF-8 text. A console shows it as it is: on Windows through the
// console's own wide-character output, whatever its code page (866, say,
// where the program's texts are in 1251). Redirected to a file or a pipe,
// the bytes are UTF-8 on POSIX and the ANSI code page on Windows.
void WriteText(std::FILE* stream, std::string_view utf8);

// Prepares `stream`, a terminal, for a progress line redrawn in place, and
// tells whether it understands the erase-line escape sequence (on Windows
// this switches on the console's virtual-terminal processing). Where it
// does not, the line is wiped with blanks instead.
bool PrepareLineRedraw(std::FILE* stream);

// From the first call on, an interrupt or a request to end no longer ends
// the process at once: it is remembered, and the session ends the link
// cleanly (cancelling a transfer, disconnecting the loader).
void CatchInterrupts();
// How many interrupts there have been. A request to end that leaves the
// program only seconds (Windows' console close, logoff, shutdown) counts
// as two: it insists, so even a flash stops after its block under way.
int InterruptCount();

// Says that the session has ended cleanly. On Windows, closing the console
// window ends the process as soon as its handler returns: the handler waits
// for this (a few seconds at most) so the loader is disconnected first.
void SessionEnded();

}  // namespace varnel::cli
