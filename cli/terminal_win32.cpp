// IsTerminal on Windows.
#include <io.h>

#include "cli/terminal.h"

namespace varnel::cli {

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace varnel::cli
