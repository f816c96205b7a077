// The command line of varnel-cli, parsed into what one invocation does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnel::cli {

enum class Operation { Connect, Dump, Flash };

struct CliOptions {
  std::string port = "COM1";
  uint32_t speed = 115200;
  uint32_t blockSize = 1024;
  std::string package;     // empty: Varnel.res of the working directory
  int waitSeconds = -1;    // for the handset's first byte; -1 without limit
  Operation operation = Operation::Connect;
  uint32_t offset = 0;
  uint32_t size = 0;
  std::string file;
};

// Parses the arguments after the program name. On failure returns false
// and sets `error`; `help` is set for --help.
bool ParseCliOptions(const std::vector<std::string>& args, CliOptions* options, bool* help,
                     std::string* error);

// The --help text, with this system's way of naming ports.
std::string CliUsage();

}  // namespace varnel::cli
