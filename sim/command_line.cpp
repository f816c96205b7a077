// Parsing varnel-sim's options. Numbers are decimal or 0x-prefixed hex;
// compound switch values are separated by ':'.
#include "sim/command_line.h"

#include <charconv>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string_view>

namespace varnel::sim {

namespace {

constexpr int kHexBase = 16;
constexpr int kDecimalBase = 10;

std::optional<uint32_t> ParseNumber(std::string_view text) {
  if (text == "always") return kEveryTime;
  int base = kDecimalBase;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = kHexBase;
  }
  uint32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

std::vector<std::string_view> Fields(std::string_view text) {
  std::vector<std::string_view> fields;
  for (size_t start = 0;;) {
    size_t colon = text.find(':', start);
    fields.push_back(text.substr(start, colon - start));
    if (colon == std::string_view::npos) return fields;
    start = colon + 1;
  }
}

// Numbers from `text`, at least `least` and at most `most` of them.
std::optional<std::vector<uint32_t>> Numbers(std::string_view text,
                                             size_t least, size_t most) {
  std::vector<std::string_view> fields = Fields(text);
  if (fields.size() < least || fields.size() > most) return std::nullopt;
  std::vector<uint32_t> values;
  for (std::string_view field : fields) {
    std::optional<uint32_t> value = ParseNumber(field);
    if (!value) return std::nullopt;
    values.push_back(*value);
  }
  return values;
}

std::optional<uint8_t> Byte(uint32_t value) {
  if (value > std::numeric_limits<uint8_t>::max()) return std::nullopt;
  return static_cast<uint8_t>(value);
}

// Splits an optional "upload:", "flash:" or "any:" off the front.
ReceivedBlocks TakeBlockKind(std::string_view* text) {
  static const std::map<std::string_view, ReceivedBlocks> kKinds = {
      {"upload:", ReceivedBlocks::kUploadOnly},
      {"flash:", ReceivedBlocks::kFlashOnly},
      {"any:", ReceivedBlocks::kUploadAndFlash}};
  for (const auto& [prefix, kind] : kKinds) {
    if (text->substr(0, prefix.size()) == prefix) {
      text->remove_prefix(prefix.size());
      return kind;
    }
  }
  return ReceivedBlocks::kUploadAndFlash;
}

using Setter = std::function<bool(std::string_view, HandsetOptions*)>;

bool SetMillis(std::string_view text, std::chrono::milliseconds* out) {
  std::optional<uint32_t> value = ParseNumber(text);
  if (!value || *value == 0 || *value == kEveryTime) return false;
  *out = std::chrono::milliseconds(*value);
  return true;
}

bool SetCorruptCrc(std::string_view text, HandsetOptions* o) {
  auto v = Numbers(text, 1, 3);
  if (!v || (*v)[0] == 0) return false;
  o->faults.corruptCrc = {(*v)[0], v->size() > 1 ? (*v)[1] : 1,
                          v->size() > 2 ? (*v)[2] : 1};
  return true;
}

bool SetAnswerBlock(std::string_view text, HandsetOptions* o) {
  ReceivedBlocks in = TakeBlockKind(&text);
  auto v = Numbers(text, 2, 3);
  if (!v || (*v)[0] == 0) return false;
  std::optional<uint8_t> answer = Byte((*v)[1]);
  if (!answer || (*answer != kNak && *answer != kSyn && *answer != kEtb &&
                  *answer != kDc4)) {
    return false;
  }
  o->faults.blockAnswer = {in, (*v)[0], *answer, v->size() > 2 ? (*v)[2] : 1};
  return true;
}

bool SetSilentBlock(std::string_view text, HandsetOptions* o) {
  ReceivedBlocks in = TakeBlockKind(&text);
  auto v = Numbers(text, 1, 2);
  if (!v) return false;
  o->faults.silentBlock = {in, (*v)[0], v->size() > 1 ? (*v)[1] : 1};
  return true;
}

bool SetSilentCommand(std::string_view text, HandsetOptions* o) {
  auto v = Numbers(text, 1, 2);
  std::optional<uint8_t> code = v ? Byte((*v)[0]) : std::nullopt;
  if (!code) return false;
  o->faults.silentCommand = {*code, v->size() > 1 ? (*v)[1] : 1};
  return true;
}

bool SetCommandError(std::string_view text, HandsetOptions* o) {
  auto v = Numbers(text, 2, 3);
  if (!v) return false;
  std::optional<uint8_t> code = Byte((*v)[0]);
  std::optional<uint8_t> response = Byte((*v)[1]);
  if (!code || !response || *response == 0) return false;
  o->faults.commandError = {*code, *response, v->size() > 2 ? (*v)[2] : 1};
  return true;
}

bool SetHangUp(std::string_view text, HandsetOptions* o) {
  static const std::map<std::string_view, TransferKind> kKinds = {
      {"upload", TransferKind::kUpload},
      {"dump", TransferKind::kDump},
      {"flash", TransferKind::kFlash}};
  std::vector<std::string_view> fields = Fields(text);
  if (fields.size() != 2 || !kKinds.contains(fields[0])) return false;
  std::optional<uint32_t> block = ParseNumber(fields[1]);
  if (!block || *block == 0) return false;
  o->faults.hangUp = {kKinds.at(fields[0]), *block};
  return true;
}

bool SetCount(std::string_view text, uint32_t* out) {
  std::optional<uint32_t> value = ParseNumber(text);
  if (!value || *value == kEveryTime) return false;
  *out = *value;
  return true;
}

const std::map<std::string_view, Setter>& ValueSwitches() {
  static const std::map<std::string_view, Setter> kSwitches = {
      {"--flash", [](auto t, auto* o) { o->flashImagePath = t; return !t.empty(); }},
      {"--link", [](auto t, auto* o) { o->linkPath = t; return !t.empty(); }},
      {"--transcript", [](auto t, auto* o) { o->transcriptPath = t; return !t.empty(); }},
      {"--answer-timeout", [](auto t, auto* o) { return SetMillis(t, &o->timing.answerTimeout); }},
      {"--offer-interval", [](auto t, auto* o) { return SetMillis(t, &o->timing.offerInterval); }},
      {"--junk-before-offer", [](auto t, auto* o) { return SetCount(t, &o->faults.junkBeforeOffer); }},
      {"--junk-before-ack", [](auto t, auto* o) { return SetCount(t, &o->faults.junkBeforeRecordAck); }},
      {"--boot-response", [](auto t, auto* o) {
         auto v = ParseNumber(t);
         auto b = v ? Byte(*v) : std::nullopt;
         if (b) o->faults.bootResponse = *b;
         return b.has_value() && *b != 0; }},
      {"--corrupt-crc", SetCorruptCrc},
      {"--abort-dump-at", [](auto t, auto* o) {
         return SetCount(t, &o->faults.abortDumpAtBlock) && o->faults.abortDumpAtBlock != 0; }},
      {"--answer-block", SetAnswerBlock},
      {"--silent-block", SetSilentBlock},
      {"--silent-command", SetSilentCommand},
      {"--command-error", SetCommandError},
      {"--hang-up-after", SetHangUp},
  };
  return kSwitches;
}

const std::map<std::string_view, std::function<void(HandsetOptions*)>>& FlagSwitches() {
  static const std::map<std::string_view, std::function<void(HandsetOptions*)>> kFlags = {
      {"--pace", [](HandsetOptions* o) { o->pacing = Pacing::kLineRate; }},
      {"--power-off-on-close", [](HandsetOptions* o) { o->afterHangUp = AfterHangUp::kPowerOff; }},
      {"--never-offer", [](HandsetOptions* o) { o->faults.offer = BootOffer::kNever; }},
  };
  return kFlags;
}

}  // namespace

CommandLineResult ParseCommandLine(const std::vector<std::string>& arguments,
                                   HandsetOptions* options,
                                   std::string* error) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    std::string_view name = arguments[i];
    std::string_view value;
    bool inlineValue = false;
    if (size_t equals = name.find('='); equals != std::string_view::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
      inlineValue = true;
    }
    if (name == "--help" || name == "-h") return CommandLineResult::kHelp;
    if (auto flag = FlagSwitches().find(name); flag != FlagSwitches().end() && !inlineValue) {
      flag->second(options);
      continue;
    }
    auto setter = ValueSwitches().find(name);
    if (setter == ValueSwitches().end()) {
      *error = "unknown option " + arguments[i];
      return CommandLineResult::kError;
    }
    if (!inlineValue) {
      if (i + 1 == arguments.size()) {
        *error = std::string(name) + " needs a value";
        return CommandLineResult::kError;
      }
      value = arguments[++i];
    }
    if (!setter->second(value, options)) {
      *error = "bad value for " + std::string(name) + ": " + std::string(value);
      return CommandLineResult::kError;
    }
  }
  return CommandLineResult::kRun;
}

const char* UsageText() {
  return R"(Usage: varnel-sim [OPTION]...
Simulates the handset on a pseudo-terminal: its boot ROM (0x81 offers,
AT dialogue, S-record upload of stage one) and the loader (command packets,
block transfers, dump and flash). Prints the serial device to open and
serves one connection after another until SIGINT or SIGTERM.

Line and handset:
  --link PATH            keep a symbolic link at PATH to the serial device,
                         updated when the device changes; removed at exit
  --flash FILE           flash image, 16 MiB: bank 1 (0x1000000) then bank 2
                         (0x2000000); created with the fill pattern when
                         missing. Default: an image in memory
  --pace                 bytes cross at line rate (speed / 10 bytes per s)
  --transcript FILE      append a readable transcript of every connection
  --power-off-on-close   a closed port puts a running loader back to the
                         boot ROM (default: it keeps running until 0x13)
  --answer-timeout MS    longest wait for the program inside a transfer
                         (default 3000)
  --offer-interval MS    time between two 0x81 offers (default 500)
  -h, --help             show this text

Faults (BLOCK counts from 1 in each transfer; TIMES is a number or
"always", default 1; numbers are decimal or 0x hex):
  --never-offer          the boot ROM never sends 0x81
  --junk-before-offer N  send N junk bytes before every 0x81
  --junk-before-ack N    send N junk bytes before every "." of the S-records
  --boot-response BYTE   answer every S-record upload with BYTE (non-zero)
  --corrupt-crc BLOCK[:BLOCKS[:SENDS]]
                         dump: send blocks BLOCK..BLOCK+BLOCKS-1 with a wrong
                         CRC, each for its first SENDS sends (default 1:1)
  --abort-dump-at BLOCK  dump: send 0x14 in place of block BLOCK, then
                         response 0x63
  --answer-block [upload:|flash:|any:]BLOCK:BYTE[:TIMES]
                         answer that received block with BYTE: 0x15, 0x16 or
                         0x17 (dropped, must come again) or 0x14 (abort,
                         then response 0x63)
  --silent-block [upload:|flash:|any:]BLOCK[:TIMES]
                         drop that received block without an answer
                         (BLOCK 0: any block)
  --silent-command CODE[:TIMES]
                         drop command packet CODE without executing or
                         answering it (CODE 0: any packet)
  --command-error CODE:BYTE[:TIMES]
                         refuse command CODE with the non-zero BYTE: in
                         place of the ready byte for 0x14 and 0x35; after
                         the program's 0x06 and a 0x14 for 0x34
  --hang-up-after upload|dump|flash:BLOCK
                         close the line after that block of the first such
                         transfer; the handset returns on a new device, at
                         the boot ROM

Handset response bytes: boot ROM 0x41 bad record syntax or count, 0x42 bad
checksum, 0x43 wrong record type, 0x44 wrong address, 0x45 bad record
length, 0x46 no data record; loader 0x61 bad argument, 0x62 region outside
the banks, 0x63 transfer abandoned, 0x64 program went quiet, 0x65 flash
block crosses a sector boundary, 0x66 flash image read or write failed,
0xFE unknown command.
)";
}

}  // namespace varnel::sim
