// LinkLine's construction, its stop flags and its port operations (unit
// Serial).
#include "link/link_line.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "port/open_failure.h"
#include "format/wire_format.h"
#include "link/port_map.h"
#include "port/serial_devices.h"
#include "settings/profile_store.h"
#include "texts/code_page.h"

namespace varnel {

LinkLine::LinkLine(const Application& application, LinkOwner& linkOwner, Port& linePort,
                   const std::atomic<LinkCommand>& linkCommand)
    : app(application),
      owner(linkOwner),
      port(linePort),
      command(linkCommand),
      dropBuffer(std::make_unique<uint8_t[]>(kReceiveBufferBytes)) {}

void LinkLine::RequestStop() {
  stopRequested.store(true);
  port.Wake();
}

LinkStatus LinkLine::OpenPort(const char* portName, uint32_t inputQueue, uint32_t outputQueue) {
  if (port.IsOpen()) return ReportError(kStatusAlreadyOpen, kUnitSerial, 126, StopRequest::No);
  std::string reason;
  const Profile settings = Profile::Load(app.SettingsPath());
  const std::string device = ResolvePortName(portName, settings);
  // A port map entry comes from a settings file that may have been copied
  // from anyone: one that names anything but a serial device is refused
  // before anything is opened. A missing one also gets the devices that
  // are there.
  const DeviceRoots system;
  const bool absent = PresenceOf(device, system) == DevicePresence::Absent;
  if (PortMapEntry(portName, settings) && (absent || !IsSerialDeviceNode(device, system, app, &reason))) {
    ReportError(kStatusCantOpenPort, kUnitSerial, 142, StopRequest::Yes);
    char line[text::kTextCapacity + 1];
    std::snprintf(line, sizeof line, app.Text(text::kPortMapRefused).c_str(), portName,
                  NarrowToCodePage(device, app.CodePage()).c_str());
    Log(line, kGrey);
    if (absent) LogSystemReason(DescribeOpenFailure(device, ENOENT, system, app));
    return kStatusCantOpenPort;
  }
  if (!port.Open(device, &reason)) {
    ReportError(kStatusCantOpenPort, kUnitSerial, 142, StopRequest::Yes);
    LogSystemReason(reason);
    return kStatusCantOpenPort;
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
    Close();
    return ReportError(failed, kUnitSerial, location, StopRequest::No);
  }
  // A port left in another program's settings (XON/XOFF, say) would
  // corrupt every transfer: a refusal ends the open.
  if (!port.ApplyLineDefaults(kBootSpeed, &reason)) {
    Close();
    ReportError(kStatusSetLineState, kUnitSerial, 199, StopRequest::No);
    LogSystemReason(reason);
    return kStatusSetLineState;
  }
  stopRequested.store(false);
  loaderActive.store(false);
  hangUpReported = false;
  Log(app.Text(text::kComPortOpened), kBlack);
  static_cast<void>(SetLineSpeed(kBootSpeed));
  return kStatusOk;
}

void LinkLine::Close() {
  if (!port.IsOpen()) return;
  port.Close();
  Log(app.Text(text::kComPortClosed), kBlack);
}

LinkStatus LinkLine::SetLineSpeed(uint32_t baud) {
  if (!port.IsOpen()) return ReportError(kStatusPortClosed, kUnitSerial, 467, StopRequest::No);
  LineFormat format;
  if (!port.GetLineFormat(&format)) return ReportError(kStatusGetLineState, kUnitSerial, 475, StopRequest::No);
  if (format.baud != baud) Log(FormatText(text::kPortSpeed, static_cast<int>(baud)), kGrey);
  format.baud = baud;
  format.dataBits = kDataBits8;
  format.parity = kNoParity;
  format.stopBits = kOneStopBit;
  if (!port.SetLineFormat(format)) return ReportError(kStatusSetLineState, kUnitSerial, 499, StopRequest::No);
  return kStatusOk;
}

LinkStatus LinkLine::WriteBytes(const uint8_t* data, uint32_t count, uint32_t* written) {
  uint32_t local = 0;
  if (written == nullptr) written = &local;
  *written = 0;
  if (!port.IsOpen()) return ReportError(kStatusPortClosed, kUnitSerial, 526, StopRequest::No);
  return port.Write(data, count, written) ? kStatusOk : kStatusWrite;
}

LinkStatus LinkLine::WriteText(const char* text, uint32_t* written) {
  return WriteBytes(reinterpret_cast<const uint8_t*>(text), static_cast<uint32_t>(std::strlen(text)), written);
}

LinkStatus LinkLine::WriteByte(uint8_t byte) { return WriteBytes(&byte, 1); }

LinkStatus LinkLine::ReadBytes(uint8_t* buffer, uint32_t count, uint32_t* got) {
  uint32_t local = 0;
  if (got == nullptr) got = &local;
  *got = 0;
  uint32_t read = 0;
  if (!port.IsOpen()) return ReportError(kStatusPortClosed, kUnitSerial, 592, StopRequest::No);
  if (count == 0) return ReportError(kStatusReadNull, kUnitSerial, 597, StopRequest::No);
  if (!port.Read(buffer, count, &read)) return ReportError(kStatusRead, kUnitSerial, 604, StopRequest::No);
  if (read == 0) return ReportError(kStatusReadNull, kUnitSerial, 609, StopRequest::No);
  *got = read;
  return kStatusOk;
}

LinkStatus LinkLine::ReadExact(uint8_t* buffer, uint32_t count, uint32_t* got, uint32_t timeoutMs, StopsWait stops) {
  uint32_t local = 0;
  if (got == nullptr) got = &local;
  *got = 0;
  if (!port.IsOpen()) return ReportError(kStatusPortClosed, kUnitSerial, 634, StopRequest::No);
  const uint32_t start = port.TickCount();
  for (;;) {
    const uint32_t waited = port.TickCount() - start;
    if (waited > timeoutMs) return kStatusTimeout;
    uint32_t queued = 0;
    // The line is gone: no byte will ever come.
    if (GetQueuedCount(&queued) != kStatusOk) return kStatusRead;
    if (queued >= count) {
      uint32_t read = 0;
      if (ReadBytes(buffer, count, &read) != kStatusOk) return kStatusRead;
      *got = read;
      return kStatusOk;
    }
    if (stopRequested.load()) return kStatusOk;
    if (stops == StopsWait::Any && UserStopAsked()) return kStatusOk;
    // Until more arrives, the stop wakes it, or just past the time-out.
    port.WaitForInput(timeoutMs - waited + 1);
  }
}

void LinkLine::DropInput(uint32_t count) {
  uint32_t got = 0;
  static_cast<void>(ReadExact(dropBuffer.get(), std::min(count, kReceiveBufferBytes), &got, kByteTimeoutMs));
}

LinkStatus LinkLine::GetQueuedCount(uint32_t* count) {
  *count = 0;
  if (!port.IsOpen()) return ReportError(kStatusPortClosed, kUnitSerial, 746, StopRequest::No);
  if (port.QueuedCount(count)) return kStatusOk;
  // A line that has hung up stays gone: report it once and end the
  // connection, rather than once per poll.
  if (!port.HungUp()) return ReportError(kStatusLineStatus, kUnitSerial, 758, StopRequest::No);
  if (hangUpReported) return kStatusLineStatus;
  hangUpReported = true;
  return ReportError(kStatusLineStatus, kUnitSerial, 758, StopRequest::Yes);
}

}  // namespace varnel
