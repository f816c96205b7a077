// SerialLink: the connection to the handset as the front ends see it. It
// owns the serial port, the line protocol and the worker thread that runs
// the command machine, and it is all a front end talks to: connect with a
// port and a speed, request a dump or a flash, stop. What happens is told
// to the owner (LinkOwner): log lines, progress, control states, notices,
// and how each connect and transfer ended.
//
// Threads: the front end calls Connect, RequestTransfer, Stop, Join and
// Close on one thread of its own (the window's); the worker calls the
// owner. The front end never waits for the worker, except in Join, which
// it calls only after the worker has ended (or been asked to stop with
// nothing left that waits for the front end's thread).
//
// Stops. There are two, and every wait asks one question about them:
// - the user's stop: Stop() writes LinkCommand::Stop
//   (LinkLine::UserStopAsked). A dump or flash ends between blocks with
//   0x18; a flash whose blocks are going out holds the first one
//   (DumpAndFlash::HoldStopForFlash) and runs to its end, and a second one
//   aborts it after the block under way.
// - the link's own stop, its stop request: a report that leaves the link
//   unusable carries StopRequest::Yes, and the stop command in the worker
//   turns into one too (LinkLine::RequestStop, StopRequested). It ends the
//   worker loop, which then closes the port.
// - the question: LinkLine::StopAsked(), either of the two. Waits on the
//   line end early when it is true; the waits inside a block
//   (StopsWait::LinkOnly) end only on the stop request, so a block is never
//   cut in half.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "link/link_command.h"
#include "link/link_outcome.h"
#include "link/link_owner.h"
#include "link/link_protocol.h"
#include "link/link_status.h"
#include "port/port.h"
#include "texts/application.h"

namespace varnel {

// The longest the idle worker sleeps in the system before it looks at its
// command again (a new command wakes it at once).
inline constexpr uint32_t kIdleWaitMs = 1000;
// The longest file name a transfer takes, in bytes.
inline constexpr uint32_t kFileNameBytes = 20480;

// What RequestTransfer did with a request.
enum class TransferRequestResult {
  Started,      // the worker takes it up
  NotReady,     // the loader is not running, or a command is under way
  NameTooLong,  // the file name exceeds kFileNameBytes - 1 bytes
};

class SerialLink {
 public:
  // `owner` outlives the link. Without a `port`, the system's serial port
  // is used; tests pass a fake.
  SerialLink(const Application& application, LinkOwner& owner, LinkTiming timing = {},
             std::unique_ptr<Port> port = nullptr);
  // Asks a worker that still runs to stop, waits for it, closes the port.
  ~SerialLink();
  SerialLink(const SerialLink&) = delete;
  SerialLink& operator=(const SerialLink&) = delete;

  // Logs "Using %s, speed %d, block %d bytes", opens the port (38400 bit/s,
  // 8N1), shows the connect instructions (warning 4) on this thread and
  // starts the worker, which waits for the handset's first byte and then
  // connects; the owner hears OnConnectEnded. 0, or the port's failure
  // (already reported; no worker starts).
  [[nodiscard]] LinkStatus Connect(const ConnectRequest& request);

  // Hands a dump or flash to the worker: the request first, the command
  // last. Only while the loader runs and no command is under way.
  [[nodiscard]] TransferRequestResult RequestTransfer(const TransferRequest& request);

  // Asks the worker to end: a dump ends after its block under way, the
  // loader is disconnected and the port closed. Any time. A flash whose
  // blocks are going out runs to its end first (a line says how long it
  // still needs), its verify too; a second Stop aborts it after the block
  // under way, leaving the flash part-written.
  void Stop();
  // Waits for the worker to end (after Stop, or once it has ended by
  // itself); harmless when none runs.
  void Join();
  // Closes the port, disconnecting an active loader first; for after Join.
  void Close();

  bool IsOpen() const { return port->IsOpen(); }
  // The loader runs and no command is under way: a request would start.
  bool IsReady() const;
  // What the worker does now, and the request it was handed last.
  LinkCommand Command() const { return command.load(); }
  const TransferRequest& LastRequest() const { return request; }

 private:
  friend class SerialLinkTestAccess;  // tests put the link into states without a handset

  void WorkerLoop();
  // Runs the current command once; `pending` is the number of queued bytes.
  LinkStatus ExecuteCommand(uint32_t pending);
  LinkStatus RunConnect();
  LinkStatus RunConnectSteps();
  // Command 0x29 and the port's switch, for a speed other than 115200.
  // Non-zero when the connect command must end.
  LinkStatus RaiseLineSpeed();
  LinkStatus RunDump();
  LinkStatus RunFlash();
  // Reads the `bytes` just flashed from the request's offset back into a
  // temporary file and compares them with `image`, the file the flash
  // read; logs the result.
  VerifyResult VerifyFlash(uint32_t bytes, FlashedImage& image);
  LinkStatus RunIdle(uint32_t pending);
  // Moves `command` from `from` to idle unless a stop came in between.
  void TakeCommand(LinkCommand from);

  const Application& app;
  LinkOwner& owner;
  std::unique_ptr<Port> port;
  std::atomic<LinkCommand> command{LinkCommand::Connect};
  LinkProtocol protocol;
  uint32_t speed = 0;       // the line speed for the loader, set before the worker starts
  TransferRequest request;  // written before `command`, read by the worker after it
  std::thread worker;
};

}  // namespace varnel
