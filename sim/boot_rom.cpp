// The boot ROM dialogue and the S-record upload of stage one.
#include "sim/boot_rom.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "sim/srecord_checker.h"

namespace varnel::sim {

namespace {

// Line noise a real boot ROM may emit: never 0x81 and never ".".
constexpr std::array<uint8_t, 6> kJunk = {0xAA, 0x55, 0x00, 0xFF, 0x0D, 0x0A};
constexpr size_t kAtLineMax = 256;
// An S2 record of 32 bytes is 78 characters; leave room for a faulty one.
constexpr size_t kRecordLineMax = 1024;
constexpr char kErrorLine[] = "ERROR";
constexpr char kLineFeed = '\n';

std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n\v\f";
  size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(kSpace);
  return text.substr(first, last - first + 1);
}

LineResult WriteWithJunk(HandsetLine& line, uint32_t junk, uint8_t byte) {
  std::vector<uint8_t> bytes;
  for (uint32_t i = 0; i < junk; ++i) bytes.push_back(kJunk[i % kJunk.size()]);
  bytes.push_back(byte);
  return line.Write(bytes.data(), bytes.size());
}

// Answers are framed like a modem's, CR LF before and after the text. The
// leading CR ends whatever the program had queued before the answer (such
// as offers it did not read yet), so the text arrives as a line of its own.
LineResult WriteLine(HandsetLine& line, std::string_view text) {
  std::string bytes{static_cast<char>(kLineEnd), kLineFeed};
  bytes += text;
  bytes += {static_cast<char>(kLineEnd), kLineFeed};
  return line.Write(reinterpret_cast<const uint8_t*>(bytes.data()),
                    bytes.size());
}

// Offers 0x81 every offer interval until 0x7E arrives.
LineResult AwaitAnswer(HandsetSession& session) {
  HandsetLine& line = session.line;
  line.SetPhase(Phase::kBootWait);
  PaceClock::time_point nextOffer = PaceClock::now();
  for (;;) {
    FaultPlan plan = session.faults.Plan();
    if (PaceClock::now() >= nextOffer) {
      if (plan.offer == BootOffer::kOffer) {
        LineResult result = WriteWithJunk(line, plan.junkBeforeOffer, kBootOffer);
        if (result != LineResult::kOk) return result;
      }
      nextOffer = PaceClock::now() + session.timing.offerInterval;
    }
    auto wait = std::chrono::ceil<Millis>(nextOffer - PaceClock::now());
    uint8_t byte = 0;
    LineResult result = line.ReadByte(&byte, std::max(wait, Millis(1)));
    if (result == LineResult::kTimeout) continue;
    if (result != LineResult::kOk) return result;
    if (byte == kBootAnswer) return LineResult::kOk;
  }
}

// Answers AT command lines until "AT**3", then switches to 115200 bit/s.
LineResult AnswerAtLines(HandsetSession& session) {
  HandsetLine& line = session.line;
  line.SetPhase(Phase::kBootAt);
  const std::string_view at = Trimmed(kAtText);
  const std::string_view download = Trimmed(kAtDownloadText);
  for (;;) {
    std::string text;
    LineResult result = line.ReadLine(kLineEnd, kAtLineMax,
                                      session.timing.lineTimeout, &text);
    if (result != LineResult::kOk) return result;
    std::string command(Trimmed(text));
    session.transcript.Update(
        [&](TranscriptData& d) { d.atLines.push_back(command); });
    if (command == download) {
      result = WriteLine(line, kDownloadLine);
      if (result != LineResult::kOk) return result;
      // Stage one's loader runs the line at the upload speed from now on;
      // the program switches 50 ms after reading the line.
      session.state.speed = kUploadSpeed;
      line.SetSpeed(kUploadSpeed);
      return LineResult::kOk;
    }
    result = WriteLine(line, command == at ? kOkLine : kErrorLine);
    if (result != LineResult::kOk) return result;
  }
}

// Takes S-record lines, each answered ".", up to the closing record; then
// the response byte.
LineResult TakeRecords(HandsetSession& session) {
  HandsetLine& line = session.line;
  line.SetPhase(Phase::kSRecords);
  SRecordChecker checker;
  uint32_t lines = 0;
  while (!checker.Ended()) {
    std::string text;
    LineResult result = line.ReadLine(kRecordEnd, kRecordLineMax,
                                      session.timing.lineTimeout, &text);
    if (result != LineResult::kOk) return result;
    checker.Check(text);
    ++lines;
    result = WriteWithJunk(line, session.faults.Plan().junkBeforeRecordAck,
                           kRecordAck);
    if (result != LineResult::kOk) return result;
  }
  uint8_t forced = session.faults.Plan().bootResponse;
  uint8_t response = forced != 0 ? forced : checker.Response();
  session.transcript.Update([&](TranscriptData& d) {
    d.stageOne = checker.Code();
    d.records = lines;
    d.bootResponse = response;
  });
  LineResult result = line.WriteByte(response);
  if (result != LineResult::kOk) return result;
  if (response == kResponseOk) {
    session.state = HandsetState{};
    session.state.mode = HandsetMode::kLoader;
    session.state.speed = kUploadSpeed;
  }
  return LineResult::kOk;
}

}  // namespace

LineResult RunBootRom(HandsetSession& session) {
  session.state = HandsetState{};
  session.line.SetSpeed(kBootSpeed);
  LineResult result = AwaitAnswer(session);
  if (result == LineResult::kOk) result = AnswerAtLines(session);
  if (result == LineResult::kOk) result = TakeRecords(session);
  if (session.state.mode != HandsetMode::kLoader) {
    session.state.speed = kBootSpeed;
    session.line.SetSpeed(kBootSpeed);
  }
  return result;
}

}  // namespace varnel::sim
