// Noise the fault plan puts on the line: the byte patterns it is made of,
// and a stream that repeats a pattern without end until the program says
// stop, closes its port, or the handset is stopped. Handset's thread only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "sim/handset_session.h"

namespace varnel::sim {

// Boot ROM junk: never 0x81 (offer) and never "." (record acknowledgement).
inline constexpr std::array<uint8_t, 6> kBootJunk = {0xAA, 0x55, 0x00, 0xFF, 0x0D, 0x0A};
// Loader noise: never 0x02 (block start), 0x06 (ready) or 0x14 (abort), so
// a program cannot take it for the start of a block or for an answer.
inline constexpr std::array<uint8_t, 5> kLoaderNoise = {0xAA, 0x55, 0xFF, 0x00, 0xE5};

// The first `count` bytes of `pattern` repeated.
std::vector<uint8_t> NoiseBytes(std::span<const uint8_t> pattern, uint32_t count);

// Writes `count` bytes of `pattern` and counts them as noise sent.
LineResult WriteNoise(HandsetSession& session, std::span<const uint8_t> pattern, uint32_t count);

// An endless stream: the next `bytesPerTurn` bytes of `pattern`, round and
// round, every `interval` (later when pacing makes them take longer).
struct NoiseStream {
  std::span<const uint8_t> pattern;
  size_t bytesPerTurn = 1;
  Millis interval{1};
};

// Whether a stream goes on after a byte from the program.
enum class StreamTurn { kGoOn, kStop };
using InputWatch = std::function<StreamTurn(uint8_t)>;

// Sends `stream` until `watch`, shown every byte the program sends
// meanwhile (each taken from the line and recorded), answers kStop: then
// kOk. Otherwise only the line ends it: kHungUp when the program closes its
// port, kInterrupted on Stop() or PowerCycle(); never kTimeout. Bytes the
// program's port has no room for are lost rather than waited on.
LineResult SendEndlessly(HandsetSession& session, const NoiseStream& stream, const InputWatch& watch);

// A watch that ignores the program: the stream ends only with the line.
StreamTurn IgnoreInput(uint8_t byte);

}  // namespace varnel::sim
