// The worker thread and its command machine: one loop turn per command,
// polling the line every millisecond while idle.
#include "link/serial_link.h"
#include "port/tick_clock.h"

namespace varnel {

LinkStatus SerialLink::StartWorker() {
  status = kStatusOk;
  // A previous connection's worker has closed the port and is ending.
  JoinWorker();
  worker = std::thread([this] { WorkerLoop(); });
  return kStatusOk;  // `status` belongs to the worker from here on
}

void SerialLink::JoinWorker() {
  if (worker.joinable() && worker.get_id() != std::this_thread::get_id()) worker.join();
}

void SerialLink::WorkerLoop() {
  stopRequested.store(false);
  Log(app->Text(text::kThreadStarted), kGrey);
  while (!stopRequested.load()) {
    LinkCommand current = command.load();
    if (current == kCommandConnect || current == kCommandIdle) {
      uint32_t queued = 0;
      GetQueuedCount(&queued);
      if (queued > 0) {
        ExecuteCommand(queued);
      } else {
        SleepMs(kPollIntervalMs);
      }
    } else {
      ExecuteCommand(0);
    }
  }
  Log(app->Text(text::kThreadExit), kGrey);
  stopRequested.store(false);
  EndProgress(nullptr, kBlack);
  if (closeOnExit.load()) {
    if (owner != nullptr) owner->OnLinkClosed();
    ClosePort();
  }
}

void SerialLink::TakeCommand(LinkCommand from) {
  // A stop written since `from` was read must survive.
  command.compare_exchange_strong(from, kCommandIdle);
}

LinkStatus SerialLink::ExecuteCommand(uint32_t pending) {
  status = kStatusOk;
  if (!port.IsOpen()) {
    status = kStatusPortClosed;
    return ReportError(kUnitBase, 72, Stop::No);
  }
  cursor = receiveBuffer.get();
  switch (command.load()) {
    case kCommandConnect: return RunConnect();
    case kCommandDump: return RunDump();
    case kCommandFlash: return RunFlash();
    case kCommandStop:
      stopRequested.store(true);
      closeOnExit.store(true);
      return kStatusOk;
    case kCommandIdle: return RunIdle(pending);
    default: return kStatusOk;
  }
}

LinkStatus SerialLink::RunIdle(uint32_t pending) {
  if (pending > 0) {
    uint32_t got = 0;
    static_cast<void>(ReadExact(receiveBuffer.get(), std::min(pending, kReceiveBufferBytes), &got,
                                kByteTimeoutMs));
  } else {
    SleepMs(kPollIntervalMs);
  }
  return kStatusOk;
}

LinkStatus SerialLink::BeginProgress(const char* logText, const char* statusText, uint32_t total,
                                     uint32_t unit, LogColour colour) {
  if (owner != nullptr) owner->BeginProgress(logText, statusText, total, unit, colour);
  return kStatusOk;
}

LinkStatus SerialLink::StepProgress(uint32_t done, uint32_t unit) {
  if (owner != nullptr) owner->StepProgress(done, unit);
  return kStatusOk;
}

LinkStatus SerialLink::EndProgress(const char* logText, LogColour colour) {
  if (owner != nullptr) owner->EndProgress(logText, colour);
  return kStatusOk;
}

}  // namespace varnel
