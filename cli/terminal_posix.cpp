// IsTerminal on POSIX.
#include <unistd.h>

#include "cli/terminal.h"

namespace varnel::cli {

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

}  // namespace varnel::cli
