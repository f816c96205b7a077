// LinkProtocol: every operation the link makes on the line, below its
// worker: the port operations and the error reports (unit Serial), the
// loader's command packets, the block transfers, the boot upload, the dump
// and the flash (units Serial and Serial_XM). Each operation returns its
// LinkStatus (0 = success); a failure is reported where it is found, in red
// as "message (unit:location)", and again by each caller that passes it up.
// It runs on one thread at a time (the worker; OpenPort before the worker
// exists); the stop flags may be read from any thread. Owner, port and
// command outlive it.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <utility>

#include "format/block_sequence.h"
#include "files/transfer_file.h"
#include "format/wire_format.h"
#include "link/link_command.h"
#include "link/link_outcome.h"
#include "link/link_owner.h"
#include "link/link_status.h"
#include "port/port.h"
#include "settings/port_options.h"
#include "texts/application.h"
#include "texts/log_colour.h"

namespace varnel {

class LoaderPackage;

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
// The largest block size a block's 16-bit length field holds.
inline constexpr uint32_t kLargestBlockSize = kReceiveBlockBytes - 1;
inline constexpr uint32_t kQueueBytes = 65558;  // the driver queues the front ends ask for
inline constexpr uint32_t kByteTimeoutMs = 2000;
inline constexpr uint32_t kBlockPartTimeoutMs = 1000;
// The progress bar of a block transfer moves every this many bytes.
inline constexpr uint32_t kBlockProgressUnit = 128;
inline constexpr uint32_t kLineRoom = kReceiveBufferBytes - 2;  // less terminator and NUL
// Each later step of the boot dialogue ("OK", "Download Initiated", each
// record's ".") ends with Timeout after this long, however many other
// bytes or lines keep arriving meanwhile. The boot ROM's offer is waited
// for as long as bytes keep coming (and 2 s of silence), until a stop.
inline constexpr uint32_t kBootStepLimitMs = 10000;
// Bytes that keep arriving this long without the boot ROM's offer among
// them get a grey line saying what is likely wrong, and another every
// kStrayBytesRepeatMs while they keep coming.
inline constexpr uint32_t kStrayBytesNoticeMs = 3000;
inline constexpr uint32_t kStrayBytesRepeatMs = 30000;
// Waits in the system: the longest the idle worker sleeps before it looks
// at its command again (a new command wakes it at once).
inline constexpr uint32_t kIdleWaitMs = 1000;
// The pause between two lines of the boot dialogue that are not the one
// waited for.
inline constexpr uint32_t kLinePauseMs = 1;

// The image file a flash read, still open, and its stamp when the flash
// opened it.
struct FlashedImage {
  TransferFile file;
  FileStamp stamp;
};

// The link's times that tests may shorten.
struct LinkTiming {
  uint32_t bootStepLimitMs = kBootStepLimitMs;
};

class LinkProtocol {
 public:
  // `command` is the worker's; a stop written there ends the waits.
  LinkProtocol(const Application& application, LinkOwner& owner, Port& port, const std::atomic<LinkCommand>& command,
               LinkTiming timing = {});
  LinkProtocol(const LinkProtocol&) = delete;
  LinkProtocol& operator=(const LinkProtocol&) = delete;

  // ---- Flags the worker and the reports share ----

  // The link's stop request (see serial_link.h): set by a report with
  // StopRequest::Yes or by the stop command, it ends the worker loop, which
  // then closes the port; setting it ends a wait under way.
  bool StopRequested() const { return stopRequested.load(); }
  void RequestStop();
  void ClearStopRequest() { stopRequested.store(false); }
  // The loader runs on the handset and takes command packets.
  bool LoaderActive() const { return loaderActive.load(); }
  void SetLoaderActive(bool active = true) { loaderActive.store(active); }
  // The question every wait asks: is the link to stop, by its own stop
  // request or by the user's?
  bool StopAsked() const;
  // Whether the user asked for the stop (command Stop): a transfer then
  // ends quietly with 0x18, where a failure that stops the link is reported.
  bool UserStopAsked() const { return command.load() == LinkCommand::Stop; }
  // Any thread: holds the user's stop when it is the first during a flash
  // under way (its blocks going out), which then runs to its end; true
  // when held. A second stop is not held and aborts the flash after the
  // block under way.
  bool HoldStopForFlash();
  // Worker: whether the last flash held a stop, which is to take effect
  // now that the flash (and its verify) is over; asking clears it.
  bool TakeHeldStop() { return std::exchange(stopHeld, false); }
  // The reports made so far that were not followed by another try of the
  // same block: a command is clean when this does not change under it.
  uint32_t FailureCount() const { return failures; }

  // ---- Port operations (unit Serial) ----

  // Opens `portName` ("COM1", or a device path) with driver queues of the
  // given sizes, 38400 bit/s 8N1, DTR and RTS on. 0; kStatusAlreadyOpen
  // (the open port is left alone); kStatusCantOpenPort (reported with stop
  // request, followed by a grey line naming the device and the system's
  // reason); kStatusQueueSizes, kStatusEventMask, kStatusGetTimeouts or
  // kStatusSetTimeouts when a setup step fails (the port is closed).
  [[nodiscard]] LinkStatus OpenPort(const char* portName, uint32_t inputQueue, uint32_t outputQueue);
  // Sends the disconnect packet to an active loader, then closes the port
  // and logs "Com port closed". Harmless when closed. 0, or the packet's
  // failure.
  LinkStatus ClosePort();
  // Logs "Port speed %d" when the speed changes. 0; kStatusPortClosed,
  // kStatusGetLineState or kStatusSetLineState, each reported.
  [[nodiscard]] LinkStatus SetLineSpeed(uint32_t baud, uint8_t dataBits, uint32_t parity, uint8_t stopBits);
  // SetLineSpeed at 8 data bits, no parity, one stop bit: every speed the
  // link sets.
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
  // stop and close flags when asked to stop. Returns `status`.
  LinkStatus ReportError(LinkStatus status, const char* unit, int location, StopRequest stop);
  // The same line for a failure after which the same block is tried again:
  // not counted among the failures. Returns `status`.
  LinkStatus ReportRetry(LinkStatus status, const char* unit, int location);

  // Text `id` used as a printf template (a 256-character buffer).
  template <typename... Args>
  std::string FormatText(uint16_t id, Args... args) const;

  // ---- Command packets (unit Serial) ----

  // Writes a command packet, or the AT text of kCodeAtText or
  // kCodeAtDownloadText. 0, kStatusPortClosed or kStatusPacketWrite; never
  // reported.
  [[nodiscard]] LinkStatus SendCommand(uint32_t code, uint32_t first, uint32_t second);
  // Reads the loader's one-byte response and returns it; a non-zero byte
  // is logged in grey as "Response [0x%x]". A missing byte is reported
  // (kStatusTimeout). The user's stop does not cut this wait short: a
  // transfer that was stopped still hears the loader's answer.
  [[nodiscard]] LinkStatus ReadResponse();
  // Command 0x31 with `part1 | part2`, then its response.
  [[nodiscard]] LinkStatus SetLoaderState(uint32_t part1, uint32_t part2);

  // ---- Block transfer (unit Serial_XM) ----

  // The block size of this connection: `bytes` (the owner's), unless it is
  // 0 or does not fit the blocks' 16-bit length field; then a grey line
  // says so and the default (kBlockChoices' first) is used. Before the
  // worker starts.
  void UseBlockSize(uint32_t bytes);
  uint32_t BlockSize() const { return blockSize; }

  // Waits for the loader's ready byte: four reads of 2000 ms. 0 or
  // kStatusNoAck.
  [[nodiscard]] LinkStatus WaitForAck();
  // Sends one block of at most the block size and waits for its answer;
  // re-sends on 0x15/0x16/0x17. 0, kStatusBlockAborted (the loader
  // aborted) or kStatusBlockFailed (five failed attempts, or a stop asked
  // for; 0x18 has been sent).
  [[nodiscard]] LinkStatus SendBlock(const uint8_t* data, uint32_t count, uint32_t number);
  // Waits for the ready byte, then sends `total` bytes in blocks; a stop
  // ends it after the block under way, with kStatusBlockFailed.
  [[nodiscard]] LinkStatus SendData(const uint8_t* data, uint32_t total, Quiet quiet);
  // Sends 0x06, then receives blocks into `file` until `expected` bytes
  // arrived; never more than `expected` bytes are written. A block that
  // comes again (the loader missed our 0x06) is acknowledged, not stored;
  // bytes that are not a block start are skipped as line noise. 0 (also
  // after the user's stop: 0x18 sent), kStatusNoBlockStart (no block start
  // within five part time-outs, noise or not), kStatusCrcMismatch,
  // kStatusCrcMissing, or kStatusCantOpenFile when the file refused a
  // block. `received` gets the bytes written.
  [[nodiscard]] LinkStatus ReceiveToFile(TransferFile& file, uint32_t expected, Quiet quiet, uint32_t* received);
  // Command 0x14 with the count, the blocks, then the loader's response.
  // The blocks' failure when they failed, else the response's status.
  [[nodiscard]] LinkStatus SendWithCommand(const uint8_t* data, uint32_t count, Quiet quiet);

  // ---- Boot upload (unit Serial) ----

  // Sends S-record text to the boot ROM after its handshake; tells the
  // owner when the boot ROM's offer has arrived.
  [[nodiscard]] LinkStatus SendSRecords(const char* text, uint32_t total);
  [[nodiscard]] LinkStatus UploadStageOne(LoaderPackage* package);
  [[nodiscard]] LinkStatus UploadStageTwo(LoaderPackage* package);
  // Reads bytes into `buffer` up to and including `terminator` (at most
  // `room` before it), then a NUL. 0; kStatusTimeout, kStatusRead or
  // kStatusTextTooLong, each reported.
  [[nodiscard]] LinkStatus ReadUntil(uint8_t* buffer, uint32_t room, uint8_t terminator, uint32_t* count,
                                     uint32_t timeoutMs);
  // Skips lines until one reads `expected` after trimming white space;
  // kStatusTimeout when a line takes too long, the step's limit has passed,
  // or a stop is asked for.
  [[nodiscard]] LinkStatus WaitForText(const char* expected, uint8_t terminator);

  // ---- Dump and flash (unit Serial_XM) ----

  // Reads `length` bytes of flash from `start` into the file `path`, of
  // which the first `kept` are there already (a resumed dump: the loader
  // is asked for the rest, which is appended to the file, whose length
  // must still be `kept`). A record of the region lies beside the file
  // until it holds the whole region (link/dump_resume.h). The loader's
  // response, or the failure before it; `outcome` (not clean: the worker
  // judges that) tells what moved, its bytes counting `kept`.
  [[nodiscard]] LinkStatus DumpToFile(const char* path, uint32_t start, uint32_t length, TransferOutcome* outcome,
                                      uint32_t kept = 0);
  // The same into `file`, open for writing, which stays open.
  [[nodiscard]] LinkStatus DumpIntoFile(TransferFile& file, uint32_t start, uint32_t length, TransferOutcome* outcome);
  // Writes the file `path` into flash from `start`, in blocks that never
  // cross a sector boundary; as DumpToFile. When `image` is given, it gets
  // the file as it was opened (kept open) and its stamp then, so that what
  // was flashed can be read again and any change to it seen.
  [[nodiscard]] LinkStatus FlashFromFile(const char* path, uint32_t start, TransferOutcome* outcome,
                                         FlashedImage* image = nullptr);

  // ---- Progress forwarding to the owner ----
  void BeginProgress(const char* logText, const char* statusText, uint32_t total, uint32_t unit, LogColour colour);
  void StepProgress(uint32_t done, uint32_t unit);
  void EndProgress(const char* logText, LogColour colour);

 private:
  // While it lives, the user's first stop is held (flashStops counts from
  // 0); Release (or the end) ends that and notes whether a stop was held.
  class HeldStops {
   public:
    explicit HeldStops(LinkProtocol& protocol);
    ~HeldStops();
    HeldStops(const HeldStops&) = delete;
    HeldStops& operator=(const HeldStops&) = delete;
    bool Held() const;
    void Release();

   private:
    LinkProtocol& protocol;
  };

  // A dump into the file `path`, created (or, with `kept` bytes there,
  // appended to) once the loader has taken the command, or else into
  // `openFile`.
  LinkStatus Dump(const char* path, TransferFile* openFile, uint32_t start, uint32_t length, uint32_t kept,
                  TransferOutcome* outcome);
  bool WaitForQuietLine(uint32_t quietMs);
  LinkStatus ReadBlockPart(uint8_t* buffer, uint32_t count, int location);
  LinkStatus ReceiveOneBlock(BlockIdentity* block);
  LinkStatus StoreBlock(TransferFile& file, const BlockIdentity& block, uint32_t expected, uint32_t* received);
  bool AwaitBlockStart(uint8_t* start);
  // The loader's response byte after a dump, taking a repeat of the last
  // block (sent again when our 0x06 to it was lost) out of the way first.
  // Quiet::Yes, for the answer to the user's stop (our 0x18), takes any
  // byte as the end of the transfer: 0, and nothing logged.
  LinkStatus ReadDumpResponse(Quiet quiet);
  bool TakeRepeatedLastBlock();
  // Logs a non-zero response and returns the byte as a status.
  LinkStatus TakeResponse(uint8_t response);
  // The boot ROM's offer, 0x7E and the two AT exchanges at 38400 bit/s.
  LinkStatus BootHandshake();
  // Reads single bytes (2000 ms each), dropping all but `wanted`, for at
  // most the boot step's limit. With `strayNotice` (the offer) there is no
  // limit: bytes dropped for kStrayBytesNoticeMs are told with that text
  // (its %u the count), again every kStrayBytesRepeatMs, and before a
  // wait that fails when not told yet.
  LinkStatus AwaitByte(uint8_t wanted, uint16_t strayNotice = 0);
  LinkStatus FinishReceive(LinkStatus status);
  // "Time elapsed" since `first`, then, when `bytes` moved, their average
  // rate since the tick `firstTick`.
  void LogElapsed(std::time_t first, uint32_t firstTick, uint32_t bytes);
  void ReportLine(LinkStatus status, const char* unit, int location);

  const Application& app;
  LinkOwner& owner;
  Port& port;
  const std::atomic<LinkCommand>& command;
  LinkTiming timing;
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> loaderActive{false};
  bool hangUpReported = false;
  // The stops a flash under way has seen, kNoFlashUnderWay between flashes;
  // whether the last flash held one.
  static constexpr int kNoFlashUnderWay = -1;
  std::atomic<int> flashStops{kNoFlashUnderWay};
  bool stopHeld = false;
  uint32_t blockSize = kBlockChoices.front();
  uint32_t failures = 0;
  BlockSequence sequence;                    // of the receive under way or just ended
  std::unique_ptr<uint8_t[]> receiveBuffer;  // lines, responses, flash data
  std::unique_ptr<uint8_t[]> blockBuffer;    // one outgoing or incoming block
};

template <typename... Args>
std::string LinkProtocol::FormatText(uint16_t id, Args... args) const {
  char format[text::kTextCapacity + 1];
  app.LoadText(id, format, text::kTextCapacity);
  char line[text::kTextCapacity + 1];
  std::snprintf(line, sizeof line, format, args...);
  return line;
}

}  // namespace varnel
