// LineTrace: the line trace for support, a text file of every byte each way
// with its time, direction and line speed, one line per burst, with the
// link's log lines and the port's events in between (link/trace_format.h
// shows the lines). A burst is the bytes one way until bytes go the other
// way, the speed changes, another record comes, or the line has been quiet
// for kBurstGapMicros. Records collect in memory and reach the file when
// the buffer is full, on Flush (a red log line flushes), and on Close;
// never once per burst, so a transfer is not slowed down.
//
// A trace file is bounded: once it would grow past its limit (kTraceMaxBytes)
// it is renamed to "<file>.1", replacing the one kept before, and the trace
// goes on in a new file, which starts with the header again. The file is
// opened by TransferFile's rules: never through a symbolic link, never a
// device, private (0600) when new.
//
// Not thread-safe: one thread at a time, handed over the way the link
// hands over its port (the front end's thread opens it and Connect writes
// to it before the worker starts; the worker writes; the front end again
// after Join), except RequestWriteThrough. A trace that is not open takes
// every record and drops it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/trace_format.h"
#include "files/transfer_file.h"
#include "texts/log_colour.h"

namespace varnel {

// Bytes collected before they are written to the file.
inline constexpr size_t kTraceBufferBytes = size_t{64} << 10;
// A quiet line longer than this ends a burst.
inline constexpr uint64_t kBurstGapMicros = 5000;
// A burst longer than this goes on in a new line: the largest block a
// transfer sends, with its header and CRC, fits in one.
inline constexpr size_t kBurstMaxBytes = 16384;
// The most a trace file grows before it is renamed to "<file>.1" and the
// trace goes on in a new one: a dump of a whole 8 MiB bank traces as about
// 40 MiB.
inline constexpr uint64_t kTraceMaxBytes = uint64_t{64} << 20;
// What the kept earlier part of a trace file is called: "<file>.1".
inline constexpr char kTraceOldSuffix[] = ".1";

// Open starts a new file, or adds a session to the end of one.
enum class TraceStart { Fresh, Append };

class LineTrace {
 public:
  // Microseconds on a monotonic clock.
  using Clock = std::function<uint64_t()>;
  static uint64_t SteadyMicroseconds();

  // `clock` gives the records' times; `bufferBytes` is the most held in
  // memory and `maxFileBytes` the most a file grows to (tests use small
  // ones).
  explicit LineTrace(Clock clock = SteadyMicroseconds, size_t bufferBytes = kTraceBufferBytes,
                     uint64_t maxFileBytes = kTraceMaxBytes);
  // Closes the trace: everything recorded reaches the file.
  ~LineTrace();
  LineTrace(const LineTrace&) = delete;
  LineTrace& operator=(const LineTrace&) = delete;

  // Closes a trace that is open, then opens `path` (named as the system
  // passes narrow names): Fresh creates or empties it, Append adds to its
  // end (a file already at its limit is first renamed to "<file>.1"). Only
  // a regular file that is not a symbolic link is taken. Records the header
  // with `portName` and the local date and time, and the clock starts at
  // 0. False, with the system's reason in `reason`, when the file can't be
  // opened: the trace is then not open.
  [[nodiscard]] bool Open(const std::string& path, TraceStart start, std::string_view portName, std::string* reason);
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
  // Any thread, any time: from now on every record reaches the file as it
  // is made (the process may be ended soon, as Windows does a few seconds
  // after the console is closed).
  void RequestWriteThrough() { writeThrough.store(true); }

  // True once after a write to the file failed; the trace closed there
  // and records since were dropped.
  bool TakeWriteFailure();

 private:
  uint64_t Now() const { return clock() - epoch; }
  void EndBurst();
  // Adds a record, writing out the buffer first when it has no room.
  void Put(const std::string& record);
  void WriteOut(std::string_view bytes);
  // Renames the file to "<file>.1" and goes on in a new one that starts
  // with the header; false when that fails.
  bool StartNewFile();
  void Fail();

  Clock clock;
  size_t capacity;
  uint64_t maxFileBytes;
  TransferFile file;
  uint64_t fileBytes = 0;  // the size of the file written to
  std::string path;
  std::string header;  // the session's first line, again at the top of each new file
  std::string buffer;
  std::atomic<bool> writeThrough{false};
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
