// SerialPort: the operating system's serial device, as the link's port
// operations use it: opened exclusively, never blocking on reads, with an
// input queue whose count can be asked for. Each step of opening is its own
// call, so the link can tell the user which one failed.
// The open state may be read from any thread; every other call comes from
// the one thread that owns the port at that time.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace varnel {

// Line format as the link sets it.
struct LineFormat {
  uint32_t baud = 0;
  uint8_t dataBits = 8;
  uint32_t parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
  uint8_t stopBits = 0;  // 0 one, 1 one and a half, 2 two
};

class SerialPort {
 public:
  SerialPort();
  ~SerialPort();  // closes the device
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  bool IsOpen() const { return open.load(std::memory_order_acquire); }

  // Opens the device read-write, exclusively, without making it the
  // controlling terminal. On failure fills `reason` with the system's
  // reason and, where there is one, the fix.
  bool Open(const std::string& device, std::string* reason);

  // The remaining steps of opening, in the order the link makes them.
  bool SetQueueSizes(uint32_t inputBytes, uint32_t outputBytes);
  bool ClearEventMask();
  bool ReadTimeouts();
  bool SetNonBlockingTimeouts();  // reads return at once with what is queued
  // `baud` bit/s, 8 data bits, no parity, one stop bit, no flow control,
  // DTR and RTS on. Skipped without error when the device's configuration
  // can't be read.
  void ApplyLineDefaults(uint32_t baud);

  // Whether the port can run at `baud`: the speed is set on trial, read
  // back and the port's own speed restored. Nothing crosses the line.
  bool CanRunAt(uint32_t baud);

  bool GetLineFormat(LineFormat* format);
  bool SetLineFormat(const LineFormat& format);

  // Writes the whole range; false when the device refused it.
  bool Write(const uint8_t* data, uint32_t count, uint32_t* written);
  // Reads up to `count` queued bytes without waiting; `got` may be 0.
  // False when the read failed (also after a hang-up with nothing queued).
  bool Read(uint8_t* buffer, uint32_t count, uint32_t* got);
  // The number of queued input bytes; clears the line's error state.
  // False when the line status can't be read (a hang-up).
  bool QueuedCount(uint32_t* count);

  // True once the other end has hung up (the line is gone).
  bool HungUp() const;

  void Close();

 private:
  struct Native;  // the platform's handle and state
  std::unique_ptr<Native> native;
  std::atomic<bool> open{false};
};

// Bit/s values of the standard line speeds the port accepts.
bool IsStandardSpeed(uint32_t baud);

}  // namespace varnel
