// Writing noise: counted bursts, and endless streams paced by a clock that
// keeps reading the program's bytes while it waits for the next turn.
#include "sim/line_noise.h"

#include <algorithm>

namespace varnel::sim {

namespace {

void CountNoise(HandsetSession& session, size_t count) {
  if (count == 0) return;
  session.transcript.Update([&](TranscriptData& d) { d.stats.noiseSent += static_cast<uint32_t>(count); });
}

}  // namespace

std::vector<uint8_t> NoiseBytes(std::span<const uint8_t> pattern, uint32_t count) {
  std::vector<uint8_t> bytes;
  bytes.reserve(count);
  for (uint32_t i = 0; i < count; ++i) bytes.push_back(pattern[i % pattern.size()]);
  return bytes;
}

LineResult WriteNoise(HandsetSession& session, std::span<const uint8_t> pattern, uint32_t count) {
  std::vector<uint8_t> bytes = NoiseBytes(pattern, count);
  LineResult result = session.line.Write(bytes.data(), bytes.size());
  if (result == LineResult::kOk) CountNoise(session, bytes.size());
  return result;
}

LineResult SendEndlessly(HandsetSession& session, const NoiseStream& stream, const InputWatch& watch) {
  HandsetLine& line = session.line;
  std::vector<uint8_t> turn(stream.bytesPerTurn);
  size_t at = 0;  // where the next turn starts in the pattern
  PaceClock::time_point due = PaceClock::now();
  for (;;) {
    if (PaceClock::now() >= due) {
      for (uint8_t& byte : turn) {
        byte = stream.pattern[at];
        at = (at + 1) % stream.pattern.size();
      }
      size_t sent = 0;
      LineResult result = line.Spill(turn.data(), turn.size(), &sent);
      if (result != LineResult::kOk) return result;
      CountNoise(session, sent);
      // Counted from the end of this turn: a stream that fell behind (a
      // slow line, a busy machine) never makes up for it in a burst.
      due = PaceClock::now() + stream.interval;
    }
    auto wait = std::chrono::ceil<Millis>(due - PaceClock::now());
    uint8_t byte = 0;
    LineResult result = line.ReadByte(&byte, std::max(wait, Millis(0)));
    if (result == LineResult::kTimeout) continue;
    if (result != LineResult::kOk) return result;
    if (watch(byte) == StreamTurn::kStop) return LineResult::kOk;
  }
}

StreamTurn IgnoreInput(uint8_t) { return StreamTurn::kGoOn; }

}  // namespace varnel::sim
