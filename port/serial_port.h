// SerialPort: the operating system's serial device behind the Port the
// link uses: opened exclusively, never blocking on reads, with an input
// queue of its own whose count can be asked for, and the steady clock.
// One header; serial_port_posix.cpp (termios) and serial_port_win32.cpp
// implement it. Threads as for Port.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "port/port.h"
#include "texts/application.h"

namespace varnel {

class SerialPort final : public Port {
 public:
  // `app` (which outlives the port) gives the texts of the reasons an open
  // fails.
  explicit SerialPort(const Application& app);
  ~SerialPort() override;  // closes the device
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  bool IsOpen() const override { return open.load(std::memory_order_acquire); }
  bool Open(const std::string& device, std::string* reason) override;
  bool SetQueueSizes(uint32_t inputBytes, uint32_t outputBytes) override;
  bool ClearEventMask() override;
  bool ReadTimeouts() override;
  bool SetNonBlockingTimeouts() override;
  bool ApplyLineDefaults(uint32_t baud, std::string* reason) override;
  bool CanRunAt(uint32_t baud) override;
  bool GetLineFormat(LineFormat* format) override;
  bool SetLineFormat(const LineFormat& format) override;
  bool Write(const uint8_t* data, uint32_t count, uint32_t* written) override;
  bool Read(uint8_t* buffer, uint32_t count, uint32_t* got) override;
  bool QueuedCount(uint32_t* count) override;
  bool HungUp() const override;
  void Close() override;
  void WaitForInput(uint32_t timeoutMs) override;
  void Wake() override;
  // The steady clock, and a real sleep.
  uint32_t TickCount() override;
  void Sleep(uint32_t milliseconds) override;

 private:
  const Application& app;
  struct Native;  // the platform's handle and state
  std::unique_ptr<Native> native;
  std::atomic<bool> open{false};
};

// Bit/s values of the standard line speeds the port accepts.
bool IsStandardSpeed(uint32_t baud);

}  // namespace varnel
