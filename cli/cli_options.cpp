// Parsing of varnel-cli's arguments.
#include "cli/cli_options.h"

#include <array>
#include <charconv>
#include <optional>
#include <string_view>

#include "format/flash_bank.h"
#include "format/hex_text.h"
#include "link/port_map.h"
#include "settings/port_options.h"

namespace varnel::cli {
namespace {

struct NamedRegion {
  const char* name;
  FlashRegion region;
};
constexpr std::array<NamedRegion, 3> kPresets = {{
    {"system", kSystemRegion},
    {"image", kImageRegion},
    {"data", kDataRegion},
}};

// OFFSET and SIZE are read as the window reads its region texts.
bool ParseHex(const std::string& text, uint32_t* value) {
  const std::optional<uint32_t> scanned = ScanHexText(text);
  if (scanned) *value = *scanned;
  return scanned.has_value();
}

template <typename T>
bool ParseDecimal(const std::string& text, T* value) {
  const char* end = text.data() + text.size();
  auto [rest, error] = std::from_chars(text.data(), end, *value);
  return !text.empty() && error == std::errc() && rest == end;
}

// "1024, 2048, 4096 or 8192; default 1024"
template <size_t N>
std::string ChoiceList(const std::array<uint32_t, N>& choices) {
  std::string list;
  for (size_t i = 0; i < N; ++i) {
    if (i > 0) list += i + 1 == N ? " or " : ", ";
    list += std::to_string(choices[i]);
  }
  return list + "; default " + std::to_string(choices.front());
}

template <size_t N>
bool OneOf(uint32_t value, const std::array<uint32_t, N>& allowed) {
  for (uint32_t a : allowed) {
    if (a == value) return true;
  }
  return false;
}

bool ParseOperation(const std::vector<std::string>& words, CliOptions* options, std::string* error) {
  if (words.empty()) {
    *error = "no operation given";
    return false;
  }
  const std::string& verb = words[0];
  if (verb == "connect" && words.size() == 1) {
    options->operation = Operation::Connect;
    return true;
  }
  if (verb == "ports" && words.size() == 1) {
    options->operation = Operation::Ports;
    return true;
  }
  if (verb == "dump" && words.size() == 3) {
    for (const NamedRegion& preset : kPresets) {
      if (words[1] == preset.name) {
        options->operation = Operation::Dump;
        options->offset = preset.region.offset;
        options->size = preset.region.size;
        options->file = words[2];
        return true;
      }
    }
  }
  if (verb == "dump" && words.size() == 4) {
    options->operation = Operation::Dump;
    options->file = words[3];
    if (ParseHex(words[1], &options->offset) && ParseHex(words[2], &options->size)) return true;
    *error = "OFFSET and SIZE must be hexadecimal numbers such as 0x2500000";
    return false;
  }
  if ((verb == "backup" || verb == "restore") && words.size() == 2) {
    options->operation = verb == "backup" ? Operation::Backup : Operation::Restore;
    options->file = words[1];
    return true;
  }
  if (verb == "flash" && words.size() == 3) {
    options->operation = Operation::Flash;
    options->file = words[2];
    if (ParseHex(words[1], &options->offset)) return true;
    *error = "OFFSET must be a hexadecimal number such as 0x2000000";
    return false;
  }
  *error = "unknown operation or wrong number of arguments: " + verb;
  return false;
}

}  // namespace

std::string CliUsage() {
  std::string usage =
      "Usage:\n"
      "  varnel-cli [options] connect\n"
      "  varnel-cli [options] dump OFFSET SIZE FILE\n"
      "  varnel-cli [options] dump system|image|data FILE\n"
      "  varnel-cli [options] flash OFFSET FILE\n"
      "  varnel-cli [options] backup [--force] DIR\n"
      "  varnel-cli backup --check DIR\n"
      "  varnel-cli [options] restore DIR\n"
      "  varnel-cli ports\n"
      "\n"
      "Connects the handset (switched off, cable plugged in) into loader mode,\n"
      "runs the operation, disconnects and closes the port.\n"
      "\n"
      "Operations:\n"
      "  connect               connect only, then disconnect\n"
      "  dump OFFSET SIZE FILE read SIZE bytes of flash from OFFSET into FILE\n"
      "                        (hexadecimal, e.g. dump 0x2500000 0x300000 data.bin)\n"
      "  dump PRESET FILE      system = 0x1000000 0x800000, image = 0x2000000\n"
      "                        0x500000, data = 0x2500000 0x300000\n"
      "  flash OFFSET FILE     write FILE into flash from OFFSET\n"
      "  backup DIR            dump both banks whole into DIR/bank1.bin and\n"
      "                        DIR/bank2.bin, with DIR/backup.txt: the version,\n"
      "                        date, port and speed, and each file's address,\n"
      "                        size, SHA-256 and whether it is complete. A\n"
      "                        partial backup goes on where it stopped; a\n"
      "                        complete one is kept unless --force is given\n"
      "  backup --check DIR    check the backup in DIR against its SHA-256s,\n"
      "                        without a handset (exit status 0: complete, intact)\n"
      "  restore DIR           check DIR's backup, then flash each part and read\n"
      "                        it back; a changed or missing part stops it before\n"
      "                        anything is sent\n"
      "  ports                 list the serial devices of this system, opening\n"
      "                        none: one line each, tab-separated: device,\n"
      "                        /dev/serial/by-id link, USB vendor:product,\n"
      "                        product, driver, and the port names (COMn) that\n"
      "                        lead to it; \"-\" where not known\n"
      "\n"
      "Options:\n"
      "  --port DEVICE    the serial port; default COM1. On this system:\n";
  // Each line of the port help, indented under the option.
  std::string_view help = kPortNameHelp;
  while (!help.empty()) {
    const size_t end = help.find('\n') + 1;
    usage += "                   " + std::string(help.substr(0, end));
    help.remove_prefix(end);
  }
  usage += "  --speed BAUD     " + ChoiceList(kSpeedChoices) +
           "\n"
           "  --block BYTES    " +
           ChoiceList(kBlockChoices) +
           "\n"
           "  --package FILE   the loader package; default Varnel.res of the working\n"
           "                   directory, else of the user's configuration directory\n"
           "                   ($XDG_CONFIG_HOME/varnel or ~/.config/varnel on Linux,\n"
           "                   %APPDATA%\\varnel on Windows), where Varnel.ini is also\n"
           "                   looked for when the working directory has none\n"
           "  --wait SECONDS   how long to wait for the handset's boot ROM, whatever\n"
           "                   else arrives on the line meanwhile; default without limit\n"
           "  --resume         dump only: when FILE holds the first part of the region\n"
           "                   from a dump that stopped, dump only the rest and append\n"
           "                   it; a FILE holding the whole region is left as it is\n"
           "  --verify         flash only: after a flash the loader confirmed, read the\n"
           "                   region back and compare it with FILE; \"Verify OK\", or\n"
           "                   the first differing address and how many bytes differ\n"
           "                   (then the exit status is 1)\n"
           "  --trace FILE     write a line trace to FILE (created anew and private,\n"
           "                   or emptied): every byte each way, one line per burst,\n"
           "                   with the log's lines in between, for support; see below\n"
           "  --help           this text\n"
           "\n"
           "The log goes to standard error, one \"[HH:MM:SS] text\" line each; a progress\n"
           "bar is drawn when standard error is a terminal. The exit status is 0 only\n"
           "when the operation did all it was asked: every byte transferred and\n"
           "confirmed by the loader, and with --verify read back the same; for backup\n"
           "and restore, every part. A block that had to be sent or received again and\n"
           "then got through is not a failure, nor is a refused speed raise. Anything\n"
           "else that was reported exits 1; a bad command line exits 2. An interrupt\n"
           "(Ctrl+C; SIGTERM or SIGHUP on Linux; Ctrl+Break or closing the console\n"
           "window on Windows) stops the session cleanly: a dump ends after its\n"
           "current block and keeps what it has; a flash under way runs to its end\n"
           "(a second interrupt aborts it, leaving the flash part-written); then the\n"
           "loader is disconnected.\n"
           "\n"
           "The line trace starts with a line \"# Varnel line trace of PORT, DATE TIME\";\n"
           "then each line has the seconds since the trace began (to the microsecond)\n"
           "and what happened: \"in\" (from the handset) or \"out\" (to it) with the\n"
           "line speed, the byte count, the bytes in hexadecimal and, between bars,\n"
           "as characters ('.' where not printable); \"log\" with the colour as a word\n"
           "(error, success, detail, info) and the log's text; \"open\", \"speed\",\n"
           "\"close\", \"note\" (a notice shown) and \"fail\" (the port refused):\n"
           "     2.104410 out    38400     3  41 54 0D  |AT.|\n"
           "     2.131877 in     38400     4  0D 0A 4F 4B  |..OK|\n"
           "A trace file that can't be written stops varnel-cli before it opens the\n"
           "port, with exit status 1; a symbolic link, a device, a FIFO or a folder\n"
           "there, or a file the session reads or writes (FILE, the package, the\n"
           "settings file) is refused with exit status 2. Past 64 MiB the trace\n"
           "goes on in a new FILE, the earlier part kept as FILE.1.\n";
  return usage;
}

bool ParseCliOptions(const std::vector<std::string>& args, CliOptions* options, bool* help, std::string* error) {
  *help = false;
  std::vector<std::string> words;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      *help = true;
      return true;
    }
    if (arg == "--verify" || arg == "--resume" || arg == "--force" || arg == "--check") {
      (arg == "--verify"   ? options->verify
       : arg == "--resume" ? options->resume
       : arg == "--force"  ? options->force
                           : options->check) = true;
      continue;
    }
    bool takesValue = arg == "--port" || arg == "--speed" || arg == "--block" || arg == "--package" ||
                      arg == "--wait" || arg == "--trace";
    if (!takesValue) {
      if (arg.rfind("--", 0) == 0) {
        *error = "unknown option " + arg;
        return false;
      }
      words.push_back(arg);
      continue;
    }
    if (i + 1 == args.size()) {
      *error = arg + " needs a value";
      return false;
    }
    const std::string& value = args[++i];
    bool ok = true;
    if (arg == "--port") {
      options->port = value;
    } else if (arg == "--package") {
      options->package = value;
    } else if (arg == "--trace") {
      options->trace = value;
      ok = !value.empty();
    } else if (arg == "--speed") {
      ok = ParseDecimal(value, &options->speed) && OneOf(options->speed, kSpeedChoices);
    } else if (arg == "--block") {
      ok = ParseDecimal(value, &options->blockSize) && OneOf(options->blockSize, kBlockChoices);
    } else {
      ok = ParseDecimal(value, &options->waitSeconds) && options->waitSeconds >= 0;
    }
    if (!ok) {
      *error = "bad value for " + arg + ": " + value;
      return false;
    }
  }
  if (!ParseOperation(words, options, error)) return false;
  if (options->verify && options->operation != Operation::Flash) {
    *error = "--verify goes with flash only";
    return false;
  }
  if (options->resume && options->operation != Operation::Dump) {
    *error = "--resume goes with dump only";
    return false;
  }
  if ((options->force || options->check) && options->operation != Operation::Backup) {
    *error = std::string(options->force ? "--force" : "--check") + " goes with backup only";
    return false;
  }
  return true;
}

}  // namespace varnel::cli
