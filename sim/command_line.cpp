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
constexpr uint32_t kMaxAdapterLatencyMs = 255;

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
std::optional<std::vector<uint32_t>> Numbers(std::string_view text, size_t least, size_t most) {
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
  static const std::map<std::string_view, ReceivedBlocks> kKinds = {{"upload:", ReceivedBlocks::kUploadOnly},
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

// A latency timer's setting: 0 (no adapter) to 255 ms, as adapters take.
bool SetAdapterLatency(std::string_view text, HandsetOptions* o) {
  std::optional<uint32_t> value = ParseNumber(text);
  if (!value || *value > kMaxAdapterLatencyMs) return false;
  o->adapterLatency = std::chrono::milliseconds(*value);
  return true;
}

bool SetCorruptCrc(std::string_view text, HandsetOptions* o) {
  auto v = Numbers(text, 1, 3);
  if (!v || (*v)[0] == 0) return false;
  o->faults.corruptCrc = {(*v)[0], v->size() > 1 ? (*v)[1] : 1, v->size() > 2 ? (*v)[2] : 1};
  return true;
}

bool SetAnswerBlock(std::string_view text, HandsetOptions* o) {
  ReceivedBlocks in = TakeBlockKind(&text);
  auto v = Numbers(text, 2, 3);
  if (!v || (*v)[0] == 0) return false;
  std::optional<uint8_t> answer = Byte((*v)[1]);
  if (!answer || (*answer != kNak && *answer != kSyn && *answer != kEtb && *answer != kDc4)) {
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

// The value `name` stands for in `names`, if any.
template <typename Value>
std::optional<Value> Named(const std::map<std::string_view, Value>& names, std::string_view name) {
  auto found = names.find(name);
  if (found == names.end()) return std::nullopt;
  return found->second;
}

bool SetHangUp(std::string_view text, HandsetOptions* o) {
  static const std::map<std::string_view, TransferKind> kKinds = {
      {"upload", TransferKind::Upload}, {"dump", TransferKind::Dump}, {"flash", TransferKind::Flash}};
  std::vector<std::string_view> fields = Fields(text);
  std::optional<TransferKind> kind = fields.size() == 2 ? Named(kKinds, fields[0]) : std::nullopt;
  std::optional<uint32_t> block = kind ? ParseNumber(fields[1]) : std::nullopt;
  if (!block || *block == 0) return false;
  o->faults.hangUp = {*kind, *block};
  return true;
}

bool SetCount(std::string_view text, uint32_t* out) {
  std::optional<uint32_t> value = ParseNumber(text);
  if (!value || *value == kEveryTime) return false;
  *out = *value;
  return true;
}

// A block number (counted from 1) on its own.
bool SetBlock(std::string_view text, uint32_t* out) { return SetCount(text, out) && *out != 0; }

// A block number or a count in a compound value: "always" has no place.
bool Finite(uint32_t value) { return value != kEveryTime; }

bool SetLostAck(std::string_view text, HandsetOptions* o) {
  auto v = Numbers(text, 1, 2);
  if (!v || (*v)[0] == 0 || !Finite((*v)[0])) return false;
  o->faults.lostAck = {(*v)[0], v->size() > 1 ? (*v)[1] : 1};
  return true;
}

bool SetNoiseBeforeBlock(std::string_view text, HandsetOptions* o) {
  auto v = Numbers(text, 2, 2);
  if (!v || (*v)[0] == 0 || !Finite((*v)[0]) || (*v)[1] == 0 || !Finite((*v)[1])) {
    return false;
  }
  o->faults.noiseBeforeBlock = {(*v)[0], (*v)[1]};
  return true;
}

bool SetStallBlock(std::string_view text, HandsetOptions* o) {
  auto v = Numbers(text, 3, 4);
  if (!v || (*v)[0] == 0 || !Finite((*v)[0]) || !Finite((*v)[1]) || (*v)[2] == 0 || !Finite((*v)[2])) {
    return false;
  }
  o->faults.stallBlock = {(*v)[0], (*v)[1], std::chrono::milliseconds((*v)[2]), v->size() > 3 ? (*v)[3] : 1};
  return true;
}

bool SetOversizeLastBlock(std::string_view text, HandsetOptions* o) {
  std::optional<uint32_t> extra = ParseNumber(text);
  if (!extra || *extra == 0 || *extra > std::numeric_limits<uint16_t>::max()) {
    return false;
  }
  o->faults.oversizeLastBlock = *extra;
  return true;
}

bool SetWrongNumber(std::string_view text, HandsetOptions* o) {
  auto v = Numbers(text, 2, 3);
  if (!v || (*v)[0] == 0 || !Finite((*v)[0]) || (*v)[1] > std::numeric_limits<uint16_t>::max() || (*v)[1] == (*v)[0]) {
    return false;
  }
  o->faults.wrongNumber = {(*v)[0], static_cast<uint16_t>((*v)[1]), v->size() > 2 ? (*v)[2] : 1};
  return true;
}

bool SetBabble(std::string_view text, HandsetOptions* o) {
  static const std::map<std::string_view, Babble> kPlaces = {
      {"offer", Babble::kInsteadOfOffer}, {"ok", Babble::kInsteadOfOk}, {"ack", Babble::kInsteadOfRecordAck}};
  std::optional<Babble> place = Named(kPlaces, text);
  if (place) o->faults.babble = *place;
  return place.has_value();
}

const std::map<std::string_view, Setter>& ValueSwitches() {
  static const std::map<std::string_view, Setter> kSwitches = {
      {"--flash",
       [](auto t, auto* o) {
         o->flashImagePath = t;
         return !t.empty();
       }},
      {"--link",
       [](auto t, auto* o) {
         o->linkPath = t;
         return !t.empty();
       }},
      {"--transcript",
       [](auto t, auto* o) {
         o->transcriptPath = t;
         return !t.empty();
       }},
      {"--answer-timeout", [](auto t, auto* o) { return SetMillis(t, &o->timing.answerTimeout); }},
      {"--offer-interval", [](auto t, auto* o) { return SetMillis(t, &o->timing.offerInterval); }},
      {"--adapter-latency", SetAdapterLatency},
      {"--junk-before-offer", [](auto t, auto* o) { return SetCount(t, &o->faults.junkBeforeOffer); }},
      {"--junk-before-ack", [](auto t, auto* o) { return SetCount(t, &o->faults.junkBeforeRecordAck); }},
      {"--boot-response",
       [](auto t, auto* o) {
         auto v = ParseNumber(t);
         auto b = v ? Byte(*v) : std::nullopt;
         if (b) o->faults.bootResponse = *b;
         return b.has_value() && *b != 0;
       }},
      {"--corrupt-crc", SetCorruptCrc},
      {"--abort-dump-at", [](auto t, auto* o) { return SetBlock(t, &o->faults.abortDumpAtBlock); }},
      {"--answer-block", SetAnswerBlock},
      {"--silent-block", SetSilentBlock},
      {"--silent-command", SetSilentCommand},
      {"--command-error", SetCommandError},
      {"--hang-up-after", SetHangUp},
      {"--lost-ack", SetLostAck},
      {"--noise-before-block", SetNoiseBeforeBlock},
      {"--endless-noise-at-block", [](auto t, auto* o) { return SetBlock(t, &o->faults.endlessNoiseAtBlock); }},
      {"--stall-block", SetStallBlock},
      {"--oversize-last-block", SetOversizeLastBlock},
      {"--wrong-block-number", SetWrongNumber},
      {"--babble", SetBabble},
      {"--weak-flash-cell",
       [](auto t, auto* o) {
         auto v = ParseNumber(t);
         if (v && *v != 0) o->faults.weakFlashCell = *v;
         return v.has_value() && *v != 0;
       }},
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

CommandLineResult ParseCommandLine(const std::vector<std::string>& arguments, HandsetOptions* options,
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

}  // namespace varnel::sim
