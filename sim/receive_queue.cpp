// The receive queue: a byte vector consumed from the front, compacted when
// empty or when the consumed part dominates, plus the runs' circumstances.
#include "sim/receive_queue.h"

#include <algorithm>

namespace varnel::sim {

namespace {

constexpr size_t kCompactBytes = 65536;

}  // namespace

void ReceiveQueue::Push(const uint8_t* data, size_t count, const ArrivalInfo& info) {
  if (count == 0) return;
  bytes.insert(bytes.end(), data, data + count);
  runs.push_back(Run{base + bytes.size(), info});
}

PaceClock::time_point ReceiveQueue::DueOf(size_t index) const {
  uint64_t position = base + head + index;
  uint64_t start = base + head;
  for (const Run& run : runs) {
    if (position < run.end) {
      return run.info.firstDue + run.info.byteTime * static_cast<int64_t>(position - start);
    }
    start = run.end;
  }
  return PaceClock::time_point{};
}

void ReceiveQueue::Take(size_t count, uint8_t* out, const Sink& sink) {
  const uint8_t* from = bytes.data() + head;
  if (out != nullptr) std::copy(from, from + count, out);
  uint64_t position = base + head;
  uint64_t stop = position + count;
  while (position < stop) {
    Run& run = runs.front();
    uint64_t runStop = std::min(stop, run.end);
    size_t n = static_cast<size_t>(runStop - position);
    sink(run.info, bytes.data() + (position - base), n);
    // Later bytes of a partly taken run keep their due instants.
    run.info.firstDue += run.info.byteTime * static_cast<int64_t>(n);
    position = runStop;
    if (position == run.end) runs.pop_front();
  }
  head += count;
  if (head == bytes.size()) {
    base += bytes.size();
    bytes.clear();
    head = 0;
  } else if (head >= kCompactBytes && head * 2 >= bytes.size()) {
    bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(head));
    base += head;
    head = 0;
  }
}

}  // namespace varnel::sim
