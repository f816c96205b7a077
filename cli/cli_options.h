// The command line of varnel-cli, parsed into what one invocation does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "port/port_name.h"
#include "settings/port_options.h"
#include "settings/settings.h"

namespace varnel::cli {

// Ports lists the serial devices and touches no port; Backup with `check`
// checks a backup without a handset.
enum class Operation { Connect, Dump, Flash, Ports, Backup, Restore };

// The window's defaults: port COM1, 115200 bit/s, 1024-byte blocks.
struct CliOptions {
  std::string port = PortName(kDefaultComPort);
  uint32_t speed = static_cast<uint32_t>(kDefaultComSpeed);
  uint32_t blockSize = static_cast<uint32_t>(kDefaultBlockSize);
  std::string package;   // empty: Varnel.res, see Application::ConfigFile
  int waitSeconds = -1;  // for the handset's first byte; -1 without limit
  std::string trace;     // the line trace's file; empty: no trace
  Operation operation = Operation::Connect;
  uint32_t offset = 0;
  uint32_t size = 0;
  std::string file;     // dump and flash: the file; backup and restore: the folder
  bool verify = false;  // flash: read the region back and compare
  bool resume = false;  // dump: go on where an earlier dump into the file stopped
  bool force = false;   // backup: start anew over a complete backup
  bool check = false;   // backup: check the folder's backup, no handset
};

// Parses the arguments after the program name. On failure returns false
// and sets `error`; `help` is set for --help.
bool ParseCliOptions(const std::vector<std::string>& args, CliOptions* options, bool* help, std::string* error);

// The --help text, with this system's way of naming ports.
std::string CliUsage();

}  // namespace varnel::cli
