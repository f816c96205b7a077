// varnel-sim's command line: options and fault switches into HandsetOptions,
// and the help text that documents every one of them. Pure functions.
#pragma once

#include <string>
#include <vector>

#include "sim/handset.h"

namespace varnel::sim {

enum class CommandLineResult { kRun, kHelp, kError };

// Parses the arguments after the program name. On kError `error` says which
// argument was wrong and why; `options` may then be partly filled.
[[nodiscard]] CommandLineResult ParseCommandLine(const std::vector<std::string>& arguments, HandsetOptions* options,
                                                 std::string* error);

// The text --help prints.
const char* UsageText();

}  // namespace varnel::sim
