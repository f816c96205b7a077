// The worker thread and its command machine (unit Serial_Base): one loop
// turn per command, waiting in the system for input or a new command while idle.
#include "link/serial_link.h"

namespace varnel {

void SerialLink::WorkerLoop() {
  protocol.line.ClearStopRequest();
  protocol.line.Log(app.Text(text::kThreadStarted), kGrey);
  while (!protocol.line.StopRequested()) {
    const LinkCommand current = command.load();
    if (current == LinkCommand::Connect || current == LinkCommand::Idle) {
      uint32_t queued = 0;
      static_cast<void>(protocol.line.GetQueuedCount(&queued));
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
  protocol.line.Log(app.Text(text::kThreadExit), kGrey);
  protocol.line.ClearStopRequest();
  protocol.line.EndProgress(nullptr, kBlack);
  // The loop ends only on a stop request, which always closes the port.
  owner.OnLinkClosed();
  protocol.commands.ClosePort();
}

void SerialLink::TakeCommand(LinkCommand from) {
  // A stop written since `from` was read must survive.
  command.compare_exchange_strong(from, LinkCommand::Idle);
}

LinkStatus SerialLink::ExecuteCommand(uint32_t pending) {
  if (!port->IsOpen()) return protocol.line.ReportError(kStatusPortClosed, kUnitBase, 72, StopRequest::No);
  switch (command.load()) {
    case LinkCommand::Connect: return RunConnect();
    case LinkCommand::Dump: return RunDump();
    case LinkCommand::Flash: return RunFlash();
    case LinkCommand::Stop: protocol.line.RequestStop(); return kStatusOk;
    case LinkCommand::Idle: return RunIdle(pending);
  }
  return kStatusOk;  // any other value does nothing
}

LinkStatus SerialLink::RunIdle(uint32_t pending) {
  if (pending > 0) {
    protocol.line.DropInput(pending);
  } else {
    port->WaitForInput(kIdleWaitMs);
  }
  return kStatusOk;
}

}  // namespace varnel
