// LinkLine: the line under every piece of the link protocol: the port
// operations and their error reports (unit Serial), the log and progress
// calls passed to the owner, the stop flags every wait consults, and the
// count of failures. The pieces above it (loader commands, block sender
// and receiver, boot upload, dump and flash) each hold a reference to one
// LinkLine and use nothing else of each other but their public faces.
// It runs on one thread at a time (the worker; OpenPort before the worker
// exists); the stop flags may be read from any thread. Owner, port and
// command outlive it.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "link/link_command.h"
#include "link/link_owner.h"
#include "link/link_status.h"
#include "port/port.h"
#include "texts/application.h"
#include "texts/log_colour.h"

namespace varnel {

// Source units named in reports.
inline constexpr char kUnitSerial[] = "Serial";
inline constexpr char kUnitBase[] = "Serial_Base";
inline constexpr char kUnitXm[] = "Serial_XM";

// Whether a report carries a stop request: the link's own stop, which ends
// the connection and closes the port.
enum class StopRequest { No, Yes };
// Whether a transfer logs its start and end lines.
enum class Quiet { No, Yes };
// Which stops end a wait on the line: any (the default), or only the
// link's own stop request, for the waits inside a block, which a user's
// stop lets finish.
enum class StopsWait { Any, LinkOnly };

inline constexpr uint32_t kReceiveBufferBytes = 0x20000;
inline constexpr uint32_t kQueueBytes = 65558;  // the driver queues the front ends ask for
inline constexpr uint32_t kByteTimeoutMs = 2000;
inline constexpr uint32_t kBlockPartTimeoutMs = 1000;
// The progress bar of a block transfer moves every this many bytes.
inline constexpr uint32_t kBlockProgressUnit = 128;

class LinkLine {
 public:
  // `command` is the worker's; a stop written there ends the waits.
  LinkLine(const Application& application, LinkOwner& owner, Port& port, const std::atomic<LinkCommand>& command);
  LinkLine(const LinkLine&) = delete;
  LinkLine& operator=(const LinkLine&) = delete;

  // ---- Stops (see serial_link.h) and the state the pieces share ----

  // The link's stop request: set by a report with StopRequest::Yes or by
  // the stop command, it ends the worker loop, which then closes the port;
  // setting it ends a wait under way.
  bool StopRequested() const { return stopRequested.load(); }
  void RequestStop();
  void ClearStopRequest() { stopRequested.store(false); }
  // Whether the user asked for the stop (command Stop): a transfer then
  // ends quietly with 0x18, where a failure that stops the link is reported.
  bool UserStopAsked() const { return command.load() == LinkCommand::Stop; }
  // The question every wait asks: is the link to stop, by its own stop
  // request or by the user's?
  bool StopAsked() const { return StopRequested() || UserStopAsked(); }
  // The loader runs on the handset and takes command packets.
  bool LoaderActive() const { return loaderActive.load(); }
  void SetLoaderActive(bool active = true) { loaderActive.store(active); }
  // The reports made so far that were not followed by another try of the
  // same block: a command is clean when this does not change under it.
  uint32_t FailureCount() const { return failures; }
  // The port's millisecond tick, for the pieces' own limits and rates.
  uint32_t TickCount() const { return port.TickCount(); }
  // Waits in the system until input arrives, a stop wakes the port, or
  // `ms` have passed.
  void WaitForInput(uint32_t ms) { port.WaitForInput(ms); }
  void Sleep(uint32_t ms) { port.Sleep(ms); }
  const Application& App() const { return app; }

  // ---- Port operations (unit Serial) ----

  bool IsOpen() const { return port.IsOpen(); }

  // Opens `portName` ("COM1", or a device path) with driver queues of the
  // given sizes, 38400 bit/s 8N1, DTR and RTS on. 0; kStatusAlreadyOpen
  // (the open port is left alone); kStatusCantOpenPort (reported with stop
  // request, followed by a grey line naming the device and the system's
  // reason); kStatusQueueSizes, kStatusEventMask, kStatusGetTimeouts or
  // kStatusSetTimeouts when a setup step fails (the port is closed).
  [[nodiscard]] LinkStatus OpenPort(const char* portName, uint32_t inputQueue, uint32_t outputQueue);
  // Closes the port and logs "Com port closed"; harmless when closed. An
  // active loader is disconnected first by LoaderCommands::ClosePort.
  void Close();
  // Sets `baud` at 8 data bits, no parity, one stop bit (every speed the
  // link sets); logs "Port speed %d" when the speed changes. 0;
  // kStatusPortClosed, kStatusGetLineState or kStatusSetLineState, each
  // reported.
  [[nodiscard]] LinkStatus SetLineSpeed(uint32_t baud);
  // One write of the whole range. 0; kStatusPortClosed (reported);
  // kStatusWrite (not reported: callers report).
  [[nodiscard]] LinkStatus WriteBytes(const uint8_t* data, uint32_t count, uint32_t* written = nullptr);
  [[nodiscard]] LinkStatus WriteText(const char* text, uint32_t* written = nullptr);
  [[nodiscard]] LinkStatus WriteByte(uint8_t byte);
  // Reads `count` queued bytes. 0; kStatusPortClosed, kStatusReadNull
  // (count 0 or nothing read) or kStatusRead, each reported.
  [[nodiscard]] LinkStatus ReadBytes(uint8_t* buffer, uint32_t count, uint32_t* got = nullptr);
  // Waits until `count` bytes are queued, then reads exactly them; the rest
  // stays queued. kStatusTimeout after `timeoutMs` (the whole call),
  // kStatusRead when the read fails or the line is gone; neither reported.
  // 0 with nothing read when a stop that `stops` names comes during the
  // wait. `got` holds the bytes read (0 on failure).
  [[nodiscard]] LinkStatus ReadExact(uint8_t* buffer, uint32_t count, uint32_t* got, uint32_t timeoutMs,
                                     StopsWait stops = StopsWait::Any);
  // The number of queued input bytes. 0; kStatusPortClosed (reported) or
  // kStatusLineStatus (the line is gone: reported with stop request once
  // per hang-up).
  [[nodiscard]] LinkStatus GetQueuedCount(uint32_t* count);
  // Reads and drops `count` queued bytes (what the handset sends while the
  // link idles); the result is not used.
  void DropInput(uint32_t count);

  // ---- Reports ----

  // Passes a line to the owner's log.
  void Log(const char* text, LogColour colour);
  void Log(const std::string& text, LogColour colour) { Log(text.c_str(), colour); }
  // Logs in grey what the system said about a file or device; its name is
  // in the system's narrow encoding and is shown in the program's.
  void LogSystemReason(const std::string& reason);
  // The message of `code` formatted with it.
  static std::string StatusText(LinkStatus code);
  // Logs "message (unit:location)" for `status` in red, after setting the
  // stop request when asked to stop. Returns `status`.
  LinkStatus ReportError(LinkStatus status, const char* unit, int location, StopRequest stop);
  // The same line for a failure after which the same block is tried again:
  // not counted among the failures. Returns `status`.
  LinkStatus ReportRetry(LinkStatus status, const char* unit, int location);

  // Text `id` used as a printf template (a 256-character buffer).
  template <typename... Args>
  std::string FormatText(uint16_t id, Args... args) const;

  // ---- Progress, passed to the owner ----
  void BeginProgress(const char* logText, const char* statusText, uint32_t total, uint32_t unit, LogColour colour);
  void StepProgress(uint32_t done, uint32_t unit);
  void EndProgress(const char* logText, LogColour colour);

 private:
  void ReportLine(LinkStatus status, const char* unit, int location);

  const Application& app;
  LinkOwner& owner;
  Port& port;
  const std::atomic<LinkCommand>& command;
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> loaderActive{false};
  bool hangUpReported = false;
  uint32_t failures = 0;
  std::unique_ptr<uint8_t[]> dropBuffer;  // what DropInput reads
};

template <typename... Args>
std::string LinkLine::FormatText(uint16_t id, Args... args) const {
  char format[text::kTextCapacity + 1];
  app.LoadText(id, format, text::kTextCapacity);
  char line[text::kTextCapacity + 1];
  std::snprintf(line, sizeof line, format, args...);
  return line;
}

}  // namespace varnel
