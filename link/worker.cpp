// The worker thread and its command machine (unit Serial_Base): one loop
// turn per command, waiting in the system for input or a new command while idle.
#include "link/serial_link.h"

namespace varnel {

void SerialLink::WorkerLoop() {
  protocol.ClearStopRequest();
  protocol.Log(app.Text(text::kThreadStarted), kGrey);
  while (!protocol.StopRequested()) {
    const LinkCommand current = command.load();
    if (current == LinkCommand::Connect || current == LinkCommand::Idle) {
      uint32_t queued = 0;
      static_cast<void>(protocol.GetQueuedCount(&queued));
      if (queued > 0) {
        static_cast<void>(ExecuteCommand(queued));
      } else {
        // Until the handset sends, or a new command wakes the worker.
        port->WaitForInput(kIdleWaitMs);
      }
    } else {
      static_cast<void>(ExecuteCommand(0));
    }
  }
  protocol.Log(app.Text(text::kThreadExit), kGrey);
  protocol.ClearStopRequest();
  protocol.EndProgress(nullptr, kBlack);
  // The loop ends only on a stop request, which always closes the port.
  owner.OnLinkClosed();
  protocol.ClosePort();
}

void SerialLink::TakeCommand(LinkCommand from) {
  // A stop written since `from` was read must survive.
  command.compare_exchange_strong(from, LinkCommand::Idle);
}

LinkStatus SerialLink::ExecuteCommand(uint32_t pending) {
  if (!port->IsOpen()) return protocol.ReportError(kStatusPortClosed, kUnitBase, 72, StopRequest::No);
  switch (command.load()) {
    case LinkCommand::Connect: return RunConnect();
    case LinkCommand::Dump: return RunDump();
    case LinkCommand::Flash: return RunFlash();
    case LinkCommand::Stop: protocol.RequestStop(); return kStatusOk;
    case LinkCommand::Idle: return RunIdle(pending);
  }
  return kStatusOk;  // any other value does nothing
}

LinkStatus SerialLink::RunIdle(uint32_t pending) {
  if (pending > 0) {
    protocol.DropInput(pending);
  } else {
    port->WaitForInput(kIdleWaitMs);
  }
  return kStatusOk;
}

}  // namespace varnel
