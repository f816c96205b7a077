// SerialLink: the connection to the handset. It owns the serial port, the
// transfer parameters and buffers, and the worker thread that runs the
// command machine; its operations report every failure to the owner's log
// as "message (unit:location)" and return a LinkStatus.
//
// Threads: OpenPort and StartWorker run on the window's thread while no
// worker exists; every other operation runs on the worker. The window
// writes `offset`, `size` and `fileName` only while the worker idles, and
// then `command` last; the worker sees them through that write.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <thread>

#include "texts/application.h"
#include "link/link_command.h"
#include "link/link_owner.h"
#include "link/link_status.h"
#include "texts/log_colour.h"
#include "port/serial_port.h"
#include "format/block_sequence.h"
#include "format/wire_format.h"

namespace varnel {

class LoaderPackage;
class TransferFile;

// Source units named in reports.
inline constexpr char kUnitSerial[] = "Serial";
inline constexpr char kUnitBase[] = "Serial_Base";
inline constexpr char kUnitXm[] = "Serial_XM";

// Whether a report ends the connection.
enum class Stop { No, Yes };
// Whether a transfer logs its start and end lines.
enum class Quiet { No, Yes };

inline constexpr uint32_t kReceiveBufferBytes = 0x20000;
inline constexpr uint32_t kFileNameBytes = 20480;
inline constexpr uint32_t kErrorTextBytes = 20480;
inline constexpr uint32_t kQueueBytes = 65558;  // the driver queues the window asks for
inline constexpr uint32_t kByteTimeoutMs = 2000;
inline constexpr uint32_t kBlockPartTimeoutMs = 1000;
// The progress bar of a block transfer moves every this many bytes.
inline constexpr uint32_t kBlockProgressUnit = 128;
inline constexpr uint32_t kLineRoom = kReceiveBufferBytes - 2;  // less terminator and NUL
// Each step of the boot dialogue (the offer, "OK", "Download Initiated",
// each record's ".") ends with Timeout after this long, however many other
// bytes or lines keep arriving meanwhile.
inline constexpr uint32_t kBootStepLimitMs = 10000;

class SerialLink {
 public:
  explicit SerialLink(const Application& application);
  virtual ~SerialLink();  // ends the worker, then closes the port
  SerialLink(const SerialLink&) = delete;
  SerialLink& operator=(const SerialLink&) = delete;

  // ---- Fields shared with the window and the command machine ----
  SerialPort port;
  const Application* app;
  LinkOwner* owner = nullptr;   // set by the owner after construction
  uint32_t offset = 0;          // region start of a dump or flash
  uint32_t size = 0;            // region length of a dump
  uint32_t speed = 0;           // line speed for the loader
  std::unique_ptr<char[]> fileName;    // kFileNameBytes, zero-filled
  std::unique_ptr<char[]> errorText;   // kErrorTextBytes: the last status message
  std::atomic<LinkCommand> command{kCommandConnect};
  LinkStatus status = kStatusOk;
  std::atomic<bool> stopRequested{false};
  std::unique_ptr<uint8_t[]> receiveBuffer;  // kReceiveBufferBytes
  uint8_t* cursor = nullptr;
  uint32_t cursorRoom = 0;
  std::atomic<bool> loaderActive{false};
  std::atomic<bool> closeOnExit{false};
  uint8_t packet[kPacketMaxBytes] = {};

  // ---- Port operations (unit Serial) ----

  // Opens `portName` ("COM1", or a device path) with driver queues of the
  // given sizes, 38400 bit/s 8N1, DTR and RTS on. 10 when already open (the
  // open port is left alone); 11 when the device can't be opened (reported
  // with stop request, followed by a grey line naming the device and the
  // system's reason); 5 to 8 when a setup step fails (the port is closed).
  [[nodiscard]] LinkStatus OpenPort(const char* portName, uint32_t inputQueue, uint32_t outputQueue);
  // Sends the disconnect packet to an active loader, then closes the port
  // and logs "Com port closed". Harmless when closed.
  LinkStatus ClosePort();
  // Logs "Port speed %d" when the speed changes. 12, 17 or 18 on failure.
  LinkStatus SetLineSpeed(uint32_t baud, uint8_t dataBits, uint32_t parity, uint8_t stopBits);
  // One write of the whole range; 12 (reported) or 3 (not reported). Keeps
  // `status` as found on success.
  LinkStatus WriteBytes(const uint8_t* data, uint32_t count, uint32_t* written = nullptr);
  LinkStatus WriteText(const char* text, uint32_t* written = nullptr);
  LinkStatus WriteByte(uint8_t byte);
  // Reads `count` queued bytes: 12, 23 (count 0 or nothing read) or 4, each
  // reported.
  [[nodiscard]] LinkStatus ReadBytes(uint8_t* buffer, uint32_t count, uint32_t* got = nullptr);
  // Waits until `count` bytes are queued, then reads exactly them; the rest
  // stays queued. 2 after `timeoutMs` (the whole call), 4 when the read
  // fails or the line is gone; neither is reported. Returns 0 with nothing
  // read when a stop is asked for during the wait (`stopRequested`, or
  // `command` set to stop by the user). `got` holds the bytes read (0 on
  // failure).
  [[nodiscard]] LinkStatus ReadExact(uint8_t* buffer, uint32_t count, uint32_t* got, uint32_t timeoutMs);
  // The number of queued input bytes; 12 or 19 (the line is gone: reported
  // with stop request once per hang-up). Keeps `status` as found.
  LinkStatus GetQueuedCount(uint32_t* count);

  // ---- Reports ----

  // Passes a line to the owner's log.
  void Log(const char* text, LogColour colour);
  void Log(const std::string& text, LogColour colour) { Log(text.c_str(), colour); }
  // The message of `code` formatted with it, kept in `errorText`.
  const char* StatusText(LinkStatus code);
  // Logs in grey what the system said about a file or device; its name is
  // in the system's narrow encoding and is shown in the program's.
  void LogSystemReason(const std::string& reason);
  // Logs "message (unit:location)" for `status` in red.
  void ReportStatus(const char* unit, int location);
  // ReportStatus, after setting `stopRequested` and `closeOnExit` when
  // asked to stop. Returns `status` unchanged.
  LinkStatus ReportError(const char* unit, int location, Stop stop);

  // Text `id` used as a printf template (a 256-character buffer).
  template <typename... Args>
  std::string FormatText(uint16_t id, Args... args) const;

  // ---- Command packets (unit Serial) ----

  // Writes a command packet, or the AT text of code 250 or 251. 12 or 20;
  // never reported.
  [[nodiscard]] LinkStatus SendCommand(uint32_t code, uint32_t first, uint32_t second);
  // Reads the loader's one-byte response into `status`; a non-zero byte is
  // logged in grey as "Response [0x%x]". A missing byte is reported. The
  // user's stop does not cut this wait short: a transfer that was stopped
  // still hears the loader's answer.
  [[nodiscard]] LinkStatus ReadResponse();
  // Command 0x31 with `part1 | part2`, then its response.
  [[nodiscard]] LinkStatus SetLoaderState(uint32_t part1, uint32_t part2);

  // ---- Block transfer (unit Serial_XM) ----

  // Waits for the loader's ready byte: four reads of 2000 ms. 0 or 50.
  [[nodiscard]] LinkStatus WaitForAck();
  // Sends one block of at most BlockSize() bytes and waits for its answer;
  // re-sends on 0x15/0x16/0x17. 0, 51 (the loader aborted) or 52 (five
  // failed attempts, or a stop asked for; 0x18 has been sent).
  [[nodiscard]] LinkStatus SendBlock(const uint8_t* data, uint32_t count, uint32_t number);
  // Waits for the ready byte, then sends `total` bytes in blocks; a stop
  // ends it after the block under way, with 52.
  [[nodiscard]] LinkStatus SendData(const uint8_t* data, uint32_t total, Quiet quiet);
  // Sends 0x06, then receives blocks into `file` until `expected` bytes
  // arrived; never more than `expected` bytes are written. A block that
  // comes again (the loader missed our 0x06) is acknowledged, not stored;
  // bytes that are not a block start are skipped as line noise. 0 (also
  // after a stop: 0x18 sent), 54 (no block start within five part
  // time-outs, noise or not), 58, 59, or 15 when the file refused a block.
  [[nodiscard]] LinkStatus ReceiveToFile(TransferFile& file, uint32_t expected, Quiet quiet);
  // Command 0x14 with the count, the blocks, then the loader's response.
  [[nodiscard]] LinkStatus SendWithCommand(const uint8_t* data, uint32_t count, Quiet quiet);

  // ---- Boot upload (unit Serial) ----

  // Sends S-record text to the boot ROM after its handshake.
  [[nodiscard]] LinkStatus SendSRecords(const char* text, uint32_t total);
  [[nodiscard]] LinkStatus UploadStageOne(LoaderPackage* package);
  [[nodiscard]] LinkStatus UploadStageTwo(LoaderPackage* package);
  // Reads bytes into `buffer` up to and including `terminator` (at most
  // `room` before it), then a NUL. 2, 4 or 16, each reported.
  [[nodiscard]] LinkStatus ReadUntil(uint8_t* buffer, uint32_t room, uint8_t terminator,
                                     uint32_t* count, uint32_t timeoutMs);
  // Skips lines until one reads `expected` after trimming white space.
  [[nodiscard]] LinkStatus WaitForText(const char* expected, uint8_t terminator);

  // ---- Dump and flash (unit Serial_XM) ----

  // Reads `length` bytes of flash from `start` into the file `path`.
  [[nodiscard]] LinkStatus DumpToFile(const char* path, uint32_t start, uint32_t length);
  // Writes the file `path` into flash from `start`, in blocks that never
  // cross a sector boundary.
  [[nodiscard]] LinkStatus FlashFromFile(const char* path, uint32_t start);

  // What the last dump or flash moved: the status of its block transfer
  // (before the loader's final response) and the bytes that got through.
  // Worker thread; read by others only after the worker has ended or
  // signalled the owner.
  LinkStatus transferStatus = kStatusOk;
  uint32_t transferredBytes = 0;

  // ---- Worker and command machine (unit Serial_Base) ----

  // Starts the worker thread (after a successful OpenPort). Returns 0.
  LinkStatus StartWorker();
  // Waits for the worker to end; call only after asking it to stop (or
  // when it ends by itself). Any thread but the worker.
  void JoinWorker();
  // The worker's loop: runs `command` until a stop, then closes the port.
  void WorkerLoop();
  // Runs the current command once; `pending` is the number of queued bytes.
  LinkStatus ExecuteCommand(uint32_t pending);

  // Set when the boot ROM's offer arrived in the connect command; cleared
  // by OpenPort. Any thread.
  std::atomic<bool> handsetAnswered{false};

  // The longest a step of the boot dialogue may take (kBootStepLimitMs);
  // tests shorten it. Set before StartWorker.
  uint32_t bootStepLimitMs = kBootStepLimitMs;

  // Progress forwarding to the owner.
  LinkStatus BeginProgress(const char* logText, const char* statusText, uint32_t total,
                           uint32_t unit, LogColour colour);
  LinkStatus StepProgress(uint32_t done, uint32_t unit);
  LinkStatus EndProgress(const char* logText, LogColour colour);

 private:
  LinkStatus RunConnect();
  // Command 0x29 and the port's switch, for a `speed` other than 115200.
  // Non-zero when the connect command must end.
  LinkStatus RaiseLineSpeed();
  LinkStatus RunDump();
  LinkStatus RunFlash();
  LinkStatus RunIdle(uint32_t pending);
  // Moves `command` from `from` to idle unless a stop came in between.
  void TakeCommand(LinkCommand from);
  uint32_t TransferBlockSize();
  // Whether the link is to stop: a report asked for it, or the user.
  bool StopAsked() const;
  // Whether the user asked for the stop (command 6): a transfer then ends
  // quietly with 0x18, where a failure that stops the link is reported.
  bool UserStopAsked() const { return command.load() == kCommandStop; }
  // Whether the user's stop command ends a wait on the line.
  enum class UserStop { Ends, Ignored };
  LinkStatus WaitAndRead(uint8_t* buffer, uint32_t count, uint32_t* got, uint32_t timeoutMs,
                         UserStop userStop);
  // Reads and drops whatever arrives until the line has been quiet for
  // `quietMs`; false when it never went quiet within the wait for a block
  // start, or a stop was asked for.
  bool WaitForQuietLine(uint32_t quietMs);
  LinkStatus ReadBlockPart(uint8_t* buffer, uint32_t count, int location);
  LinkStatus ReceiveOneBlock(BlockIdentity* block);
  LinkStatus StoreBlock(TransferFile& file, const BlockIdentity& block, uint32_t expected,
                        uint32_t* received);
  bool AwaitBlockStart(uint8_t* start);
  // The loader's response byte after a dump, taking a repeat of the last
  // block (sent again when our 0x06 to it was lost) out of the way first.
  LinkStatus ReadDumpResponse();
  bool TakeRepeatedLastBlock();
  // Logs a non-zero response and makes the byte the status.
  LinkStatus TakeResponse(uint8_t response);
  // The boot ROM's offer, 0x7E and the two AT exchanges at 38400 bit/s.
  LinkStatus BootHandshake();
  // Reads single bytes (2000 ms each), dropping all but `wanted`.
  LinkStatus AwaitByte(uint8_t wanted);
  LinkStatus FinishReceive(uint32_t received);
  void LogElapsed(std::time_t first, std::time_t second);

  bool hangUpReported = false;
  BlockSequence sequence;  // of the receive under way or just ended
  std::unique_ptr<uint8_t[]> blockBuffer;  // one outgoing or incoming block
  std::thread worker;
};

template <typename... Args>
std::string SerialLink::FormatText(uint16_t id, Args... args) const {
  char format[text::kTextCapacity + 1];
  app->LoadText(id, format, text::kTextCapacity);
  char line[text::kTextCapacity + 1];
  std::snprintf(line, sizeof line, format, args...);
  return line;
}

}  // namespace varnel
