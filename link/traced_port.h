// TracedPort: a Port that passes every call to the real port and records
// what crossed the line in a LineTrace: what was written and read, the
// speed set, the open (with the device) and the close, and failed reads,
// writes and speed changes. Closing the port flushes and closes the trace.
//
// Threads as for Port: the calls that record (all but IsOpen, Wake,
// HungUp, CanRunAt, WaitForInput, TickCount and Sleep) come from the one
// thread that owns the port, so the trace is written by one thread at a
// time. IsOpen and Wake may come from any thread and never touch the trace.
#pragma once

#include <memory>

#include "link/line_trace.h"
#include "port/port.h"

namespace varnel {

class TracedPort : public Port {
 public:
  // `trace` outlives this port; `port` is the real one, never null.
  TracedPort(std::unique_ptr<Port> port, LineTrace& trace);
  TracedPort(const TracedPort&) = delete;
  TracedPort& operator=(const TracedPort&) = delete;

  bool IsOpen() const override { return port->IsOpen(); }
  bool Open(const std::string& device, std::string* reason) override;
  bool SetQueueSizes(uint32_t inputBytes, uint32_t outputBytes) override {
    return port->SetQueueSizes(inputBytes, outputBytes);
  }
  bool ClearEventMask() override { return port->ClearEventMask(); }
  bool ReadTimeouts() override { return port->ReadTimeouts(); }
  bool SetNonBlockingTimeouts() override { return port->SetNonBlockingTimeouts(); }
  bool ApplyLineDefaults(uint32_t baud, std::string* reason) override;
  bool CanRunAt(uint32_t baud) override { return port->CanRunAt(baud); }
  bool GetLineFormat(LineFormat* format) override { return port->GetLineFormat(format); }
  bool SetLineFormat(const LineFormat& format) override;
  bool Write(const uint8_t* data, uint32_t count, uint32_t* written) override;
  bool Read(uint8_t* buffer, uint32_t count, uint32_t* got) override;
  bool QueuedCount(uint32_t* count) override { return port->QueuedCount(count); }
  bool HungUp() const override { return port->HungUp(); }
  void Close() override;
  void WaitForInput(uint32_t timeoutMs) override { port->WaitForInput(timeoutMs); }
  void Wake() override { port->Wake(); }
  uint32_t TickCount() override { return port->TickCount(); }
  void Sleep(uint32_t milliseconds) override { port->Sleep(milliseconds); }

 private:
  std::unique_ptr<Port> port;
  LineTrace& trace;
};

}  // namespace varnel
