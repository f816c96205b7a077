// LineTrace: the line trace for support, a text file of every byte each way
// with its time, direction and line speed, one line per burst, with the
// link's log lines and the port's events in between (link/trace_format.h
// shows the lines). A burst is the bytes one way until bytes go the other
// way, the speed changes, another record comes, or the line has been quiet
// for kBurstGapMicros. Records collect in memory and reach the file when
// the buffer is full, on Flush (a red log line flushes), and on Close;
// never once per burst, so a transfer is not slowed down.
//
// Not thread-safe: one thread at a time, handed over the way the link
// hands over its port (the front end's thread opens it and Connect writes
// to it before the worker starts; the worker writes; the front end again
// after Join). A trace that is not open takes every record and drops it.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/trace_format.h"
#include "link/transfer_file.h"
#include "texts/log_colour.h"

namespace varnel {

// Bytes collected before they are written to the file.
inline constexpr size_t kTraceBufferBytes = size_t{64} << 10;
// A quiet line longer than this ends a burst.
inline constexpr uint64_t kBurstGapMicros = 5000;
// A burst longer than this goes on in a new line: the largest block a
// transfer sends, with its header and CRC, fits in one.
inline constexpr size_t kBurstMaxBytes = 16384;

// Open starts a new file, or adds a session to the end of one.
enum class TraceStart { Fresh, Append };

class LineTrace {
 public:
  // Microseconds on a monotonic clock.
  using Clock = std::function<uint64_t()>;
  static uint64_t SteadyMicroseconds();

  // `clock` gives the records' times; `bufferBytes` is the most held in
  // memory (tests use small ones).
  explicit LineTrace(Clock clock = SteadyMicroseconds, size_t bufferBytes = kTraceBufferBytes);
  // Closes the trace: everything recorded reaches the file.
  ~LineTrace();
  LineTrace(const LineTrace&) = delete;
  LineTrace& operator=(const LineTrace&) = delete;

  // Closes a trace that is open, then opens `path` (named as the system
  // passes narrow names): Fresh creates or empties it, Append adds to its
  // end. Only a regular file is taken. Records the header with `portName`
  // and the local date and time, and the clock starts at 0. False, with
  // the system's reason in `reason`, when the file can't be opened: the
  // trace is then not open.
  [[nodiscard]] bool Open(const std::string& path, TraceStart start, std::string_view portName,
                          std::string* reason);
  bool IsOpen() const { return file.IsOpen(); }
  // The path given to the last Open.
  const std::string& Path() const { return path; }

  // Bytes that crossed the line, at the speed set last.
  void Bytes(TraceDirection direction, std::span<const uint8_t> bytes);
  // The line speed from now on; recorded when it differs from the last.
  void Speed(uint32_t baud);
  // An event of the port (kind and detail as in TraceEvent).
  void Event(std::string_view kind, std::string_view detail = {});
  // A log line (UTF-8), trimmed; a blank one is left out. A red one is
  // flushed at once, with everything before it: the end of a failing
  // session is in the file whatever happens next.
  void LogLine(std::string_view text, LogColour colour);
  // Everything recorded so far goes to the file.
  void Flush();
  // Flushes and closes the file. Harmless when not open.
  void Close();

  // True once after a write to the file failed; the trace closed there
  // and records since were dropped.
  bool TakeWriteFailure();

 private:
  uint64_t Now() const { return clock() - epoch; }
  void EndBurst();
  // Adds a record, writing out the buffer first when it has no room.
  void Put(const std::string& record);
  void WriteOut(std::string_view bytes);
  void Fail();

  Clock clock;
  size_t capacity;
  TransferFile file;
  std::string path;
  std::string buffer;
  uint64_t epoch = 0;
  uint32_t baud = 0;
  bool writeFailed = false;
  // The burst under way.
  std::vector<uint8_t> burst;
  TraceDirection burstDirection = TraceDirection::In;
  uint64_t burstStart = 0;
  uint64_t burstLast = 0;
};

}  // namespace varnel
