// The boot ROM dialogue and the S-record upload of stage one, with the
// fault plan's junk and babble in place of its answers.
#include "sim/boot_rom.h"

#include <algorithm>
#include <span>
#include <string>
#include <string_view>

#include "sim/line_noise.h"
#include "sim/srecord_checker.h"

namespace varnel::sim {

namespace {

constexpr size_t kAtLineMax = 256;
// An S2 record of 32 bytes is 78 characters; leave room for a faulty one.
constexpr size_t kRecordLineMax = 1024;
constexpr char kErrorLine[] = "ERROR";
constexpr char kLineFeed = '\n';
constexpr char kRingLine[] = "RING";
// Babble: a junk byte a millisecond, or a "RING" line every few.
constexpr NoiseStream kJunkBabble{kBootJunk, 1, Millis(1)};
constexpr Millis kRingInterval{5};

std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n\v\f";
  size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(kSpace);
  return text.substr(first, last - first + 1);
}

LineResult WriteWithJunk(HandsetSession& session, uint32_t junk, uint8_t byte) {
  LineResult result = WriteNoise(session, kBootJunk, junk);
  return result == LineResult::kOk ? session.line.WriteByte(byte) : result;
}

// Answers are framed like a modem's, CR LF before and after the text. The
// leading CR ends whatever the program had queued before the answer (such
// as offers it did not read yet), so the text arrives as a line of its own.
std::string Framed(std::string_view text) {
  std::string bytes{static_cast<char>(kLineEnd), kLineFeed};
  bytes += text;
  bytes += {static_cast<char>(kLineEnd), kLineFeed};
  return bytes;
}

LineResult WriteLine(HandsetLine& line, std::string_view text) {
  std::string bytes = Framed(text);
  return line.Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// The babble fault: `stream` without end, whatever the program sends, until
// the line ends (kHungUp or kInterrupted).
LineResult BabbleUntilLineEnds(HandsetSession& session, const NoiseStream& stream) {
  return SendEndlessly(session, stream, IgnoreInput);
}

LineResult BabbleRingLines(HandsetSession& session) {
  const std::string ring = Framed(kRingLine);
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(ring.data()), ring.size());
  return BabbleUntilLineEnds(session, NoiseStream{bytes, bytes.size(), kRingInterval});
}

// Offers 0x81 every offer interval until 0x7E arrives.
LineResult AwaitAnswer(HandsetSession& session) {
  HandsetLine& line = session.line;
  line.SetPhase(Phase::kBootWait);
  PaceClock::time_point nextOffer = PaceClock::now();
  for (;;) {
    FaultPlan plan = session.faults.Plan();
    if (PaceClock::now() >= nextOffer) {
      if (plan.babble == Babble::kInsteadOfOffer) {
        return BabbleUntilLineEnds(session, kJunkBabble);
      }
      if (plan.offer == BootOffer::kOffer) {
        LineResult result = WriteWithJunk(session, plan.junkBeforeOffer, kBootOffer);
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
    LineResult result = line.ReadLine(kLineEnd, kAtLineMax, session.timing.lineTimeout, &text);
    if (result != LineResult::kOk) return result;
    std::string command(Trimmed(text));
    session.transcript.Update([&](TranscriptData& d) { d.atLines.push_back(command); });
    if (command == download) {
      result = WriteLine(line, kDownloadLine);
      if (result != LineResult::kOk) return result;
      // Stage one's loader runs the line at the upload speed from now on;
      // the program switches 50 ms after reading the line.
      session.state.speed = kUploadSpeed;
      line.SetSpeed(kUploadSpeed);
      return LineResult::kOk;
    }
    if (command == at && session.faults.Plan().babble == Babble::kInsteadOfOk) {
      return BabbleRingLines(session);
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
    LineResult result = line.ReadLine(kRecordEnd, kRecordLineMax, session.timing.lineTimeout, &text);
    if (result != LineResult::kOk) return result;
    checker.Check(text);
    ++lines;
    FaultPlan plan = session.faults.Plan();
    if (plan.babble == Babble::kInsteadOfRecordAck) {
      return BabbleUntilLineEnds(session, kJunkBabble);
    }
    result = WriteWithJunk(session, plan.junkBeforeRecordAck, kRecordAck);
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
