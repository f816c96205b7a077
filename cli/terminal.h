// Whether a stream is a terminal (where a progress bar can be redrawn).
#pragma once

#include <cstdio>

namespace varnel::cli {

bool IsTerminal(std::FILE* stream);

}  // namespace varnel::cli
