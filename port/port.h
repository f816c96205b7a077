// Port: the serial port as the link uses it, and the clock its waits run
// on: each step of opening as its own call (so the link can say which one
// failed), line formats, reads that never block, a queued-byte count.
// SerialPort (port/serial_port.h) is the system's; the tests drive the link
// through a scripted fake on a virtual clock. IsOpen may be read from any
// thread; every other call comes from the one thread that owns the port.
#pragma once

#include <cstdint>
#include <string>

namespace varnel {

// The character format the link always uses: 8 data bits, no parity, one
// stop bit.
inline constexpr uint8_t kDataBits8 = 8;
inline constexpr uint32_t kNoParity = 0;   // 1 odd, 2 even, 3 mark, 4 space
inline constexpr uint8_t kOneStopBit = 0;  // 1 one and a half, 2 two

// Line format as the link sets it.
struct LineFormat {
  uint32_t baud = 0;
  uint8_t dataBits = kDataBits8;
  uint32_t parity = kNoParity;
  uint8_t stopBits = kOneStopBit;
};

class Port {
 public:
  virtual ~Port() = default;

  virtual bool IsOpen() const = 0;

  // Opens the device read-write, exclusively, without making it the
  // controlling terminal. On failure fills `reason` with the system's
  // reason and, where there is one, the fix.
  virtual bool Open(const std::string& device, std::string* reason) = 0;

  // The remaining steps of opening, in the order the link makes them.
  virtual bool SetQueueSizes(uint32_t inputBytes, uint32_t outputBytes) = 0;
  virtual bool ClearEventMask() = 0;
  virtual bool ReadTimeouts() = 0;
  virtual bool SetNonBlockingTimeouts() = 0;  // reads return at once with what is queued
  // `baud` bit/s, 8 data bits, no parity, one stop bit, no flow control,
  // DTR and RTS on. Skipped without error when the device's configuration
  // can't be read. False, with the system's reason in `reason`, when the
  // device refused the settings: whatever another program left in it
  // (XON/XOFF, another speed) may still be in force.
  virtual bool ApplyLineDefaults(uint32_t baud, std::string* reason) = 0;

  // Whether the port can run at `baud`: the speed is set on trial, read
  // back and the port's own speed restored. Nothing crosses the line.
  virtual bool CanRunAt(uint32_t baud) = 0;

  virtual bool GetLineFormat(LineFormat* format) = 0;
  virtual bool SetLineFormat(const LineFormat& format) = 0;

  // Writes the whole range; false when the device refused it.
  virtual bool Write(const uint8_t* data, uint32_t count, uint32_t* written) = 0;
  // Reads up to `count` queued bytes without waiting; `got` may be 0.
  // False when the read failed (also after a hang-up with nothing queued).
  virtual bool Read(uint8_t* buffer, uint32_t count, uint32_t* got) = 0;
  // The number of queued input bytes; clears the line's error state.
  // False when the line status can't be read (a hang-up).
  virtual bool QueuedCount(uint32_t* count) = 0;

  // True once the other end has hung up (the line is gone).
  virtual bool HungUp() const = 0;

  virtual void Close() = 0;

  // Waits in the system until more input arrives than is queued now, or
  // the line's state changes, `timeoutMs` have passed, or Wake is called.
  // Callers look again at what they wait for: a return promises nothing.
  virtual void WaitForInput(uint32_t timeoutMs) = 0;
  // Ends the WaitForInput under way, or else the next one, at once. Any
  // thread.
  virtual void Wake() = 0;

  // Milliseconds since an arbitrary start; wraps at 2^32, so readings are
  // compared by their unsigned difference.
  virtual uint32_t TickCount() = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
};

}  // namespace varnel
