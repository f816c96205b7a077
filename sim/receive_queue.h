// ReceiveQueue: bytes read from the program but not yet taken by the
// handset's logic, each run with the circumstances it arrived in (speeds,
// garbling, when it is due under pacing). One thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "sim/line_pacer.h"
#include "sim/transcript.h"

namespace varnel::sim {

struct ArrivalInfo {
  uint32_t programSpeed = 0;
  uint32_t handsetSpeed = 0;
  Arrival arrival = Arrival::kIntact;
  PaceClock::time_point firstDue{};  // when the run's first byte has crossed
  PaceClock::duration byteTime{};    // then one byte per byteTime
};

class ReceiveQueue {
 public:
  using Sink = std::function<void(const ArrivalInfo&, const uint8_t*, size_t)>;

  void Push(const uint8_t* bytes, size_t count, const ArrivalInfo& info);
  size_t Size() const { return bytes.size() - head; }
  uint8_t At(size_t index) const { return bytes[head + index]; }

  // When the byte at `index` (0 = next) has crossed the line.
  PaceClock::time_point DueOf(size_t index) const;

  // Removes the next `count` bytes (precondition: count <= Size()), copying
  // them to `out` unless it is null and handing each run to `sink`.
  void Take(size_t count, uint8_t* out, const Sink& sink);

 private:
  struct Run {
    uint64_t end;  // absolute position one past the run's last byte
    ArrivalInfo info;
  };

  std::vector<uint8_t> bytes;
  size_t head = 0;
  uint64_t base = 0;  // absolute position of bytes[0]
  std::deque<Run> runs;
};

}  // namespace varnel::sim
