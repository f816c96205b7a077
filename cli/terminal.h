// Whether a stream is a terminal (where a progress bar can be redrawn).
#pragma once

#include <cstdio>

namespace varnel::cli {

bool IsTerminal(std::FILE* stream);

// From the first call on, an interrupt (Ctrl+C) or termination request no
// longer ends the process at once: it is remembered, and the session ends
// the link cleanly (cancelling a transfer, disconnecting the loader).
void CatchInterrupts();
bool InterruptRequested();

}  // namespace varnel::cli
