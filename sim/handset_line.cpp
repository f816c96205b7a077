// The handset's line: poll-driven reads into the receive queue, garbling by
// speed, line-rate pacing, and transcript recording when bytes are taken.
#include "sim/handset_line.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <vector>

#include "format/wire_format.h"
#include "sim/line_garbler.h"

namespace varnel::sim {

namespace {

constexpr size_t kReadChunkBytes = 65536;
constexpr auto kWriteStall = std::chrono::seconds(5);  // program not reading
constexpr uint32_t kPaceSlicesPerSecond = 200;         // 5 ms of bytes a write

timespec ToTimespec(PaceClock::duration duration) {
  auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(std::max(duration, PaceClock::duration::zero()));
  constexpr int64_t kNanosPerSecond = 1000000000;
  timespec span{};
  span.tv_sec = static_cast<time_t>(ns.count() / kNanosPerSecond);
  span.tv_nsec = static_cast<long>(ns.count() % kNanosPerSecond);
  return span;
}

}  // namespace

HandsetLine::HandsetLine(PtyMaster& master, int wakeUpFd, const std::atomic<bool>& interrupted, Transcript& record,
                         Pacing pacing, uint32_t startSpeed, Millis adapterLatency)
    : pty(master),
      wakeFd(wakeUpFd),
      interrupt(interrupted),
      transcript(record),
      pacer(pacing),
      speed(startSpeed),
      latency(adapterLatency) {}

PaceClock::time_point HandsetLine::NextWake(PaceClock::time_point deadline) const {
  return held.empty() ? deadline : std::min(deadline, heldDue);
}

LineResult HandsetLine::FlushAdapter(bool now) {
  if (held.empty() || (!now && PaceClock::now() < heldDue)) return LineResult::kOk;
  std::vector<uint8_t> bytes;
  bytes.swap(held);
  return Push(bytes.data(), bytes.size());
}

LineResult HandsetLine::Fill(PaceClock::time_point deadline) {
  std::array<pollfd, 2> fds{{{pty.Descriptor(), POLLIN, 0}, {wakeFd, POLLIN, 0}}};
  for (;;) {
    if (interrupt.load()) return LineResult::kInterrupted;
    if (LineResult sent = FlushAdapter(); sent != LineResult::kOk) return sent;
    timespec wait = ToTimespec(NextWake(deadline) - PaceClock::now());
    int ready = ::ppoll(fds.data(), fds.size(), &wait, nullptr);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return LineResult::kHungUp;
    if (interrupt.load() || fds[1].revents != 0) return LineResult::kInterrupted;
    if (ready == 0 && PaceClock::now() < deadline) continue;  // the adapter's turn
    if (ready == 0) return LineResult::kTimeout;
    if ((fds[0].revents & POLLIN) != 0) {
      std::vector<uint8_t>& chunk = readBuffer;
      chunk.resize(kReadChunkBytes);
      ssize_t n = ::read(pty.Descriptor(), chunk.data(), chunk.size());
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (n <= 0) return LineResult::kHungUp;  // EIO: the slave was closed
      size_t count = static_cast<size_t>(n);
      uint32_t programSpeed = pty.ProgramSpeed();
      Arrival arrival = SpeedsMatch(programSpeed, speed) ? Arrival::kIntact : Arrival::kGarbled;
      if (arrival == Arrival::kGarbled) {
        for (size_t i = 0; i < count; ++i) {
          chunk[i] = GarbleByte(chunk[i], programSpeed, speed);
        }
      }
      ArrivalInfo info{programSpeed, speed, arrival, pacer.BookInput(count, speed), pacer.ByteTime(speed)};
      queue.Push(chunk.data(), count, info);
      return LineResult::kOk;
    }
    return LineResult::kHungUp;  // POLLHUP or POLLERR without data
  }
}

LineResult HandsetLine::Sleep(PaceClock::duration duration) {
  const PaceClock::time_point end = PaceClock::now() + duration;
  for (;;) {
    if (interrupt.load()) return LineResult::kInterrupted;
    if (LineResult sent = FlushAdapter(); sent != LineResult::kOk) return sent;
    const PaceClock::time_point wake = NextWake(end);
    pollfd wakeUp{wakeFd, POLLIN, 0};
    timespec wait = ToTimespec(wake - PaceClock::now());
    int ready = ::ppoll(&wakeUp, 1, &wait, nullptr);
    // A signal may cut the sleep short; only the wake pipe interrupts.
    if (ready > 0 || interrupt.load()) return LineResult::kInterrupted;
    if (PaceClock::now() >= end) return LineResult::kOk;
  }
}

LineResult HandsetLine::WaitUntilDue(size_t index) {
  if (!pacer.Enabled()) return LineResult::kOk;
  PaceClock::duration left = queue.DueOf(index) - PaceClock::now();
  if (left <= PaceClock::duration::zero()) return LineResult::kOk;
  return Sleep(left);
}

void HandsetLine::Take(size_t count, uint8_t* out) {
  queue.Take(count, out, [this](const ArrivalInfo& info, const uint8_t* bytes, size_t n) {
    transcript.RecordBytes(Direction::kFromProgram, phase, info.programSpeed, info.handsetSpeed, info.arrival, bytes,
                           n);
  });
}

LineResult HandsetLine::WaitForInput(Millis timeout) {
  if (queue.Size() > 0) return LineResult::kOk;
  return Fill(PaceClock::now() + timeout);
}

LineResult HandsetLine::ReadExact(uint8_t* out, size_t count, Millis timeout) {
  PaceClock::time_point deadline = PaceClock::now() + timeout;
  while (queue.Size() < count) {
    LineResult result = Fill(deadline);
    if (result != LineResult::kOk) return result;
  }
  if (count == 0) return LineResult::kOk;
  LineResult result = WaitUntilDue(count - 1);
  if (result != LineResult::kOk) return result;
  Take(count, out);
  return LineResult::kOk;
}

LineResult HandsetLine::ReadByte(uint8_t* out, Millis timeout) { return ReadExact(out, 1, timeout); }

LineResult HandsetLine::ReadLine(uint8_t terminator, size_t maxBytes, Millis timeout, std::string* line) {
  PaceClock::time_point deadline = PaceClock::now() + timeout;
  size_t scanned = 0;
  for (;;) {
    for (; scanned < queue.Size(); ++scanned) {
      if (queue.At(scanned) != terminator) continue;
      LineResult result = WaitUntilDue(scanned);
      if (result != LineResult::kOk) return result;
      std::vector<uint8_t> bytes(scanned + 1);
      Take(bytes.size(), bytes.data());
      line->assign(bytes.begin(), bytes.end() - 1);
      return LineResult::kOk;
    }
    LineResult result = queue.Size() > maxBytes ? LineResult::kTimeout : Fill(deadline);
    if (result == LineResult::kTimeout) Take(queue.Size(), nullptr);
    if (result != LineResult::kOk) return result;
  }
}

void HandsetLine::DiscardInput() {
  if (Fill(PaceClock::now()) == LineResult::kOk || queue.Size() > 0) {
    Take(queue.Size(), nullptr);
  }
}

LineResult HandsetLine::WriteByte(uint8_t byte) { return Write(&byte, 1); }

LineResult HandsetLine::Write(const uint8_t* data, size_t count) {
  if (!pacer.Enabled()) return WriteNow(data, count);
  size_t slice = std::max<size_t>(1, speed / kLineBitsPerByte / kPaceSlicesPerSecond);
  for (size_t done = 0; done < count;) {
    size_t n = std::min(slice, count - done);
    PaceClock::time_point due = pacer.BookOutput(n, speed);
    LineResult result = Sleep(due - PaceClock::now());
    if (result == LineResult::kOk) result = WriteNow(data + done, n);
    if (result != LineResult::kOk) return result;
    done += n;
  }
  return LineResult::kOk;
}

Arrival HandsetLine::Outgoing(const uint8_t* data, size_t count, uint32_t programSpeed,
                              std::vector<uint8_t>* bytes) const {
  bytes->assign(data, data + count);
  if (SpeedsMatch(programSpeed, speed)) return Arrival::kIntact;
  for (uint8_t& byte : *bytes) byte = GarbleByte(byte, speed, programSpeed);
  return Arrival::kGarbled;
}

LineResult HandsetLine::Spill(const uint8_t* data, size_t count, size_t* sent) {
  *sent = 0;
  if (pacer.Enabled()) {
    LineResult result = Sleep(pacer.BookOutput(count, speed) - PaceClock::now());
    if (result != LineResult::kOk) return result;
  }
  if (interrupt.load()) return LineResult::kInterrupted;
  // The stream overtakes nothing the adapter still holds.
  if (LineResult flushed = FlushAdapter(true); flushed != LineResult::kOk) return flushed;
  uint32_t programSpeed = pty.ProgramSpeed();
  std::vector<uint8_t> bytes;
  Arrival arrival = Outgoing(data, count, programSpeed, &bytes);
  ssize_t n = 0;
  do {
    n = ::write(pty.Descriptor(), bytes.data(), bytes.size());
  } while (n < 0 && errno == EINTR);
  if (n < 0 && errno != EAGAIN) return LineResult::kHungUp;
  *sent = n > 0 ? static_cast<size_t>(n) : 0;
  transcript.RecordBytes(Direction::kToProgram, phase, programSpeed, speed, arrival, bytes.data(), *sent);
  return LineResult::kOk;
}

LineResult HandsetLine::Pause(PaceClock::duration duration) {
  PaceClock::time_point deadline = PaceClock::now() + duration;
  for (;;) {
    LineResult result = Fill(deadline);
    if (result == LineResult::kTimeout) return LineResult::kOk;
    if (result != LineResult::kOk) return result;
  }
}

LineResult HandsetLine::WriteNow(const uint8_t* data, size_t count) {
  uint32_t programSpeed = pty.ProgramSpeed();
  std::vector<uint8_t> bytes;
  Arrival arrival = Outgoing(data, count, programSpeed, &bytes);
  transcript.RecordBytes(Direction::kToProgram, phase, programSpeed, speed, arrival, bytes.data(), bytes.size());
  if (latency == Millis::zero()) return Push(bytes.data(), bytes.size());
  // The adapter passes whole packets on at once and holds the rest until
  // its latency has passed since the first byte held.
  if (held.empty()) heldDue = PaceClock::now() + latency;
  held.insert(held.end(), bytes.begin(), bytes.end());
  const size_t whole = held.size() / kAdapterPacketBytes * kAdapterPacketBytes;
  if (whole == 0) return LineResult::kOk;
  LineResult result = Push(held.data(), whole);
  held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(whole));
  heldDue = PaceClock::now() + latency;
  return result;
}

LineResult HandsetLine::Push(const uint8_t* bytes, size_t count) {
  PaceClock::time_point deadline = PaceClock::now() + kWriteStall;
  for (size_t done = 0; done < count;) {
    if (interrupt.load()) return LineResult::kInterrupted;
    ssize_t n = ::write(pty.Descriptor(), bytes + done, count - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return LineResult::kHungUp;
    if (PaceClock::now() >= deadline) return LineResult::kTimeout;
    std::array<pollfd, 2> fds{{{pty.Descriptor(), POLLOUT, 0}, {wakeFd, POLLIN, 0}}};
    timespec wait = ToTimespec(deadline - PaceClock::now());
    ::ppoll(fds.data(), fds.size(), &wait, nullptr);
    if ((fds[0].revents & POLLHUP) != 0) return LineResult::kHungUp;
  }
  if (count > 0) pacer.NoteDelivered();
  return LineResult::kOk;
}

}  // namespace varnel::sim
