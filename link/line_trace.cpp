// LineTrace: bursts collected, records buffered, the file written in large
// pieces.
#include "link/line_trace.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <utility>

#include "files/narrow_path.h"
#include "texts/local_time.h"

namespace varnel {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace

uint64_t LineTrace::SteadyMicroseconds() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(since).count());
}

LineTrace::LineTrace(Clock traceClock, size_t bufferBytes, uint64_t maxBytes)
    : clock(std::move(traceClock)),
      capacity(std::max<size_t>(bufferBytes, 1)),
      maxFileBytes(std::max<uint64_t>(maxBytes, 1)) {}

LineTrace::~LineTrace() { Close(); }

bool LineTrace::Open(const std::string& tracePath, TraceStart start, std::string_view portName, std::string* reason) {
  Close();
  path = tracePath;
  header.clear();
  writeFailed = false;
  file = start == TraceStart::Fresh ? TransferFile::Create(path.c_str(), reason)
                                    : TransferFile::Append(path.c_str(), reason);
  fileBytes = file.Size();
  if (file.IsOpen() && fileBytes >= maxFileBytes && !StartNewFile()) {
    static_cast<void>(file.Close());
    *reason = path + kTraceOldSuffix + ": can't be made";
  }
  if (!file.IsOpen()) return false;
  buffer.reserve(capacity);
  burst.reserve(kBurstMaxBytes);
  epoch = clock();
  baud = 0;
  header = TraceHeader(portName, LocalTime(std::time(nullptr)));
  Put(header);
  return true;
}

void LineTrace::Bytes(TraceDirection direction, std::span<const uint8_t> bytes) {
  if (!IsOpen()) return;
  const uint64_t now = Now();
  if (!burst.empty() && (direction != burstDirection || now - burstLast > kBurstGapMicros)) EndBurst();
  while (!bytes.empty()) {
    if (burst.size() == kBurstMaxBytes) EndBurst();
    if (burst.empty()) {
      burstDirection = direction;
      burstStart = now;
    }
    const size_t taken = std::min(bytes.size(), kBurstMaxBytes - burst.size());
    burst.insert(burst.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(taken));
    bytes = bytes.subspan(taken);
  }
  burstLast = now;
}

void LineTrace::Speed(uint32_t newBaud) {
  if (!IsOpen() || newBaud == baud) return;
  EndBurst();
  baud = newBaud;
  Put(TraceEvent(Now(), kTraceSpeed, std::to_string(baud)));
}

void LineTrace::Event(std::string_view kind, std::string_view detail) {
  if (!IsOpen()) return;
  EndBurst();
  Put(TraceEvent(Now(), kind, detail));
}

void LineTrace::LogLine(std::string_view text, LogColour colour) {
  const std::string_view trimmed = Trimmed(text);
  if (!IsOpen() || trimmed.empty()) return;
  EndBurst();
  Put(TraceLogLine(Now(), colour, trimmed));
  if (colour == kRed) Flush();
}

void LineTrace::Flush() {
  if (!IsOpen()) return;
  EndBurst();
  WriteOut(buffer);
  buffer.clear();
}

void LineTrace::Close() {
  Flush();
  if (IsOpen() && !file.Close()) writeFailed = true;
  buffer.clear();
  buffer.shrink_to_fit();
}

bool LineTrace::TakeWriteFailure() { return std::exchange(writeFailed, false); }

void LineTrace::EndBurst() {
  if (burst.empty()) return;
  Put(TraceBurst(burstStart, burstDirection, baud, burst));
  burst.clear();
}

void LineTrace::Put(const std::string& record) {
  if (buffer.size() + record.size() > capacity) {
    WriteOut(buffer);
    buffer.clear();
  }
  // A record larger than the whole buffer goes straight to the file.
  if (record.size() > capacity) {
    WriteOut(record);
  } else if (IsOpen()) {
    buffer += record;
  }
  if (writeThrough.load() && !buffer.empty()) {
    WriteOut(buffer);
    buffer.clear();
  }
}

void LineTrace::WriteOut(std::string_view bytes) {
  if (bytes.empty() || !IsOpen()) return;
  if (fileBytes > 0 && fileBytes + bytes.size() > maxFileBytes && !StartNewFile()) return Fail();
  if (!file.Write(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()))) {
    return Fail();
  }
  fileBytes += bytes.size();
}

bool LineTrace::StartNewFile() {
  static_cast<void>(file.Close());
  // A rename never follows a link: whatever "<file>.1" was, it is replaced.
  std::error_code error;
  std::filesystem::rename(PathFromNarrow(path), PathFromNarrow(path + kTraceOldSuffix), error);
  std::string reason;
  if (!error) file = TransferFile::Create(path.c_str(), &reason);
  fileBytes = 0;
  if (!file.IsOpen()) return false;
  if (header.empty()) return true;
  fileBytes = header.size();
  return file.Write(reinterpret_cast<const uint8_t*>(header.data()), static_cast<uint32_t>(header.size()));
}

void LineTrace::Fail() {
  writeFailed = true;
  static_cast<void>(file.Close());
  buffer.clear();
  burst.clear();
}

}  // namespace varnel
