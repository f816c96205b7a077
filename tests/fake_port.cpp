// The fake port's clock, schedule and streams.
#include "tests/fake_port.h"

#include <algorithm>

#include "port/serial_port.h"

namespace varnel::testing {

void FakePort::Arrive(const std::vector<uint8_t>& bytes, uint32_t afterMs) {
  // Bytes never overtake those scheduled before them.
  uint32_t at = now + afterMs;
  if (!scheduled.empty()) at = std::max(at, scheduled.back().at);
  scheduled.push_back({at, bytes});
}

void FakePort::Stream(const std::vector<uint8_t>& pattern, uint32_t everyMs) {
  streamPattern = pattern;
  streamEvery = std::max<uint32_t>(everyMs, 1);
  streamNext = now;
  streamAt = 0;
}

void FakePort::Deliver() {
  while (!scheduled.empty() && scheduled.front().at <= now) {
    queue.insert(queue.end(), scheduled.front().bytes.begin(), scheduled.front().bytes.end());
    scheduled.pop_front();
  }
  while (!streamPattern.empty() && streamNext <= now) {
    queue.push_back(streamPattern[streamAt]);
    streamAt = (streamAt + 1) % streamPattern.size();
    streamNext += streamEvery;
  }
}

void FakePort::WaitForInput(uint32_t timeoutMs) {
  ++waits;
  const size_t before = queue.size();
  Deliver();
  if (queue.size() > before) return;
  if (woken) {
    woken = false;
    return;
  }
  uint32_t until = now + timeoutMs;
  if (!scheduled.empty()) until = std::min(until, scheduled.front().at);
  if (!streamPattern.empty()) until = std::min(until, streamNext);
  now = std::max(now, until);
  Deliver();
}

bool FakePort::CanRunAt(uint32_t baud) {
  if (speedsTheDriverTakes.empty()) return IsStandardSpeed(baud);
  return std::find(speedsTheDriverTakes.begin(), speedsTheDriverTakes.end(), baud) != speedsTheDriverTakes.end();
}

bool FakePort::GetLineFormat(LineFormat* line) {
  *line = format;
  return open;
}

bool FakePort::SetLineFormat(const LineFormat& line) {
  if (!open || !CanRunAt(line.baud)) return false;
  format = line;
  return true;
}

bool FakePort::Write(const uint8_t* data, uint32_t count, uint32_t* done) {
  *done = 0;
  if (!open) return false;
  const std::vector<uint8_t> bytes(data, data + count);
  written.insert(written.end(), bytes.begin(), bytes.end());
  *done = count;
  if (reply) reply(*this, bytes);
  return true;
}

bool FakePort::Read(uint8_t* buffer, uint32_t count, uint32_t* got) {
  *got = 0;
  Deliver();
  while (*got < count && !queue.empty()) {
    buffer[(*got)++] = queue.front();
    queue.pop_front();
  }
  return true;
}

bool FakePort::QueuedCount(uint32_t* count) {
  Deliver();
  *count = static_cast<uint32_t>(queue.size());
  return true;
}

}  // namespace varnel::testing
