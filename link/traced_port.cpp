// TracedPort: the real port's calls, and what they did in the trace.
#include "link/traced_port.h"

#include <algorithm>
#include <span>
#include <string>

namespace varnel {

TracedPort::TracedPort(std::unique_ptr<Port> realPort, LineTrace& lineTrace)
    : port(std::move(realPort)), trace(lineTrace) {}

bool TracedPort::Open(const std::string& device, std::string* reason) {
  const bool opened = port->Open(device, reason);
  if (opened) {
    trace.Event(kTraceOpen, device);
  } else {
    trace.Event(kTraceFailed, "open " + device + (reason != nullptr ? ": " + *reason : std::string()));
  }
  return opened;
}

bool TracedPort::ApplyLineDefaults(uint32_t baud, std::string* reason) {
  if (!port->ApplyLineDefaults(baud, reason)) {
    trace.Event(kTraceFailed, "line settings: " + *reason);
    return false;
  }
  trace.Speed(baud);
  return true;
}

bool TracedPort::SetLineFormat(const LineFormat& format) {
  const bool set = port->SetLineFormat(format);
  if (set) {
    trace.Speed(format.baud);
  } else {
    trace.Event(kTraceFailed, "speed " + std::to_string(format.baud));
  }
  return set;
}

bool TracedPort::Write(const uint8_t* data, uint32_t count, uint32_t* written) {
  const bool wrote = port->Write(data, count, written);
  // A failed write may have put part of the range on the line.
  trace.Bytes(TraceDirection::Out, std::span<const uint8_t>(data, std::min(*written, count)));
  if (!wrote) {
    trace.Event(kTraceFailed, "write: " + std::to_string(*written) + " of " + std::to_string(count) + " bytes");
  }
  return wrote;
}

bool TracedPort::Read(uint8_t* buffer, uint32_t count, uint32_t* got) {
  const bool read = port->Read(buffer, count, got);
  if (read) {
    trace.Bytes(TraceDirection::In, std::span<const uint8_t>(buffer, *got));
  } else {
    trace.Event(kTraceFailed, "read");
  }
  return read;
}

void TracedPort::Close() {
  port->Close();
  trace.Event(kTraceClose);
  trace.Close();
}

}  // namespace varnel
