// SerialLink construction and its port operations.
#include "link/serial_link.h"

#include <cstring>

#include "port/port_name.h"
#include "port/tick_clock.h"

namespace varnel {

SerialLink::SerialLink(const Application& application)
    : app(&application),
      fileName(std::make_unique<char[]>(kFileNameBytes)),
      errorText(std::make_unique<char[]>(kErrorTextBytes)),
      receiveBuffer(std::make_unique<uint8_t[]>(kReceiveBufferBytes)),
      blockBuffer(std::make_unique<uint8_t[]>(kReceiveBlockBytes + kBlockOverheadBytes)) {
  cursor = receiveBuffer.get();
}

SerialLink::~SerialLink() {
  if (worker.joinable()) {
    command.store(kCommandStop);
    JoinWorker();
  }
  if (port.IsOpen()) ClosePort();
}

LinkStatus SerialLink::OpenPort(const char* portName, uint32_t inputQueue, uint32_t outputQueue) {
  status = kStatusOk;
  if (port.IsOpen()) {
    status = kStatusAlreadyOpen;
    return ReportError(kUnitSerial, 126, Stop::No);
  }
  std::string reason;
  std::string device = ResolvePortName(portName, app->SettingsPath());
  if (!port.Open(device, &reason)) {
    status = kStatusCantOpenPort;
    ReportError(kUnitSerial, 142, Stop::Yes);
    LogSystemReason(reason);
    return status;
  }
  LinkStatus failed = kStatusOk;
  int location = 0;
  if ((inputQueue != 0 || outputQueue != 0) && !port.SetQueueSizes(inputQueue, outputQueue)) {
    failed = kStatusQueueSizes, location = 158;
  } else if (!port.ClearEventMask()) {
    failed = kStatusEventMask, location = 167;
  } else if (!port.ReadTimeouts()) {
    failed = kStatusGetTimeouts, location = 176;
  } else if (!port.SetNonBlockingTimeouts()) {
    failed = kStatusSetTimeouts, location = 191;
  }
  if (failed != kStatusOk) {
    ClosePort();
    status = failed;
    return ReportError(kUnitSerial, location, Stop::No);
  }
  port.ApplyLineDefaults(kBootSpeed);
  cursor = receiveBuffer.get();
  command.store(kCommandConnect);
  stopRequested.store(false);
  loaderActive.store(false);
  closeOnExit.store(false);
  handsetAnswered.store(false);
  hangUpReported = false;
  Log(app->Text(text::kComPortOpened), kBlack);
  SetLineSpeed(kBootSpeed, 8, 0, 0);
  return kStatusOk;
}

LinkStatus SerialLink::ClosePort() {
  status = kStatusOk;
  if (loaderActive.load()) {
    static_cast<void>(SendCommand(kCmdDisconnect, 0, 0));
    loaderActive.store(false);
  }
  if (!port.IsOpen()) return status;
  port.Close();
  Log(app->Text(text::kComPortClosed), kBlack);
  return status;
}

LinkStatus SerialLink::SetLineSpeed(uint32_t baud, uint8_t dataBits, uint32_t parity, uint8_t stopBits) {
  status = kStatusOk;
  if (!port.IsOpen()) {
    status = kStatusPortClosed;
    return ReportError(kUnitSerial, 467, Stop::No);
  }
  LineFormat format;
  if (!port.GetLineFormat(&format)) {
    status = kStatusGetLineState;
    return ReportError(kUnitSerial, 475, Stop::No);
  }
  if (format.baud != baud) Log(FormatText(text::kPortSpeed, static_cast<int>(baud)), kGrey);
  format.baud = baud;
  format.dataBits = dataBits;
  format.parity = parity;
  format.stopBits = stopBits;
  if (!port.SetLineFormat(format)) {
    status = kStatusSetLineState;
    return ReportError(kUnitSerial, 499, Stop::No);
  }
  return status;
}

LinkStatus SerialLink::WriteBytes(const uint8_t* data, uint32_t count, uint32_t* written) {
  uint32_t local = 0;
  if (written == nullptr) written = &local;
  *written = 0;
  if (!port.IsOpen()) {
    status = kStatusPortClosed;
    return ReportError(kUnitSerial, 526, Stop::No);
  }
  if (!port.Write(data, count, written)) {
    status = kStatusWrite;
    return status;
  }
  return status;
}

LinkStatus SerialLink::WriteText(const char* text, uint32_t* written) {
  return WriteBytes(reinterpret_cast<const uint8_t*>(text),
                    static_cast<uint32_t>(std::strlen(text)), written);
}

LinkStatus SerialLink::WriteByte(uint8_t byte) { return WriteBytes(&byte, 1); }

LinkStatus SerialLink::ReadBytes(uint8_t* buffer, uint32_t count, uint32_t* got) {
  uint32_t local = 0;
  if (got == nullptr) got = &local;
  status = kStatusOk;
  *got = 0;
  int location = 0;
  uint32_t read = 0;
  if (!port.IsOpen()) {
    status = kStatusPortClosed, location = 592;
  } else if (count == 0) {
    status = kStatusReadNull, location = 597;
  } else if (!port.Read(buffer, count, &read)) {
    status = kStatusRead, location = 604;
  } else if (read == 0) {
    status = kStatusReadNull, location = 609;
  }
  if (status != kStatusOk) return ReportError(kUnitSerial, location, Stop::No);
  *got = read;
  return kStatusOk;
}

LinkStatus SerialLink::ReadExact(uint8_t* buffer, uint32_t count, uint32_t* got, uint32_t timeoutMs) {
  return WaitAndRead(buffer, count, got, timeoutMs, UserStop::Ends);
}

bool SerialLink::StopAsked() const {
  return stopRequested.load() || command.load() == kCommandStop;
}

LinkStatus SerialLink::WaitAndRead(uint8_t* buffer, uint32_t count, uint32_t* got,
                                   uint32_t timeoutMs, UserStop userStop) {
  uint32_t local = 0;
  if (got == nullptr) got = &local;
  status = kStatusOk;
  *got = 0;
  if (!port.IsOpen()) {
    status = kStatusPortClosed;
    return ReportError(kUnitSerial, 634, Stop::No);
  }
  const uint32_t start = TickCount();
  uint32_t read = 0;
  for (;;) {
    if (TickCount() - start > timeoutMs) {
      status = kStatusTimeout;
      return status;
    }
    uint32_t queued = 0;
    if (GetQueuedCount(&queued) != kStatusOk) {
      // The line is gone: no byte will ever come.
      status = kStatusRead;
      return status;
    }
    if (queued >= count) {
      if (ReadBytes(buffer, count, &read) != kStatusOk) {
        status = kStatusRead;
        return status;
      }
      break;
    }
    SleepMs(kPollIntervalMs);
    if (stopRequested.load()) break;
    if (userStop == UserStop::Ends && command.load() == kCommandStop) break;
  }
  *got = read;
  return status;
}

LinkStatus SerialLink::GetQueuedCount(uint32_t* count) {
  *count = 0;
  if (!port.IsOpen()) {
    status = kStatusPortClosed;
    return ReportError(kUnitSerial, 746, Stop::No);
  }
  if (!port.QueuedCount(count)) {
    status = kStatusLineStatus;
    // A line that has hung up stays gone: report it once and end the
    // connection, rather than once per poll.
    if (port.HungUp()) {
      if (hangUpReported) return status;
      hangUpReported = true;
      return ReportError(kUnitSerial, 758, Stop::Yes);
    }
    return ReportError(kUnitSerial, 758, Stop::No);
  }
  return status;
}

}  // namespace varnel
