// The command line's arguments on POSIX: argv as it is.
#include "cli/command_line_args.h"

namespace varnel::cli {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  if (argc < 2) return {};
  return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace varnel::cli
