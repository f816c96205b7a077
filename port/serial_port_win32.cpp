// SerialPort on the Win32 communications API: a synchronous handle whose
// reads return at once with what the driver has queued. The port keeps an
// input queue of its own (port/input_queue.h): drivers, Wine's among them,
// count no more than their own buffer as queued, and a whole 8 KiB block
// must be seen waiting.
#include "port/serial_port.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>

#include "files/device_name.h"
#include "files/narrow_path.h"
#include "files/system_message.h"
#include "files/unique_handle.h"
#include "port/input_queue.h"
#include "port/open_failure.h"
#include "port/tick_clock.h"

namespace varnel {
namespace {

constexpr std::array<uint32_t, 20> kSpeeds = {
    300,    600,    1200,   2400,   4800,   9600,    19200,   38400,   57600,   115200,
    230400, 460800, 500000, 576000, 921600, 1000000, 1152000, 1500000, 2000000, 3000000,
};

constexpr WORD kXonXoffLimit = 262;
constexpr char kXonChar = 0x11;
constexpr char kXoffChar = 0x13;
constexpr char kDevicePrefix[] = "\\\\.\\";
// The longest a wait for input runs before it looks at Wake again.
constexpr DWORD kWaitSliceMs = 50;

// "COM" and a number, in any letter case: such names above COM9 open only
// in the device namespace, and the prefix is harmless below.
bool IsComName(const std::string& device) {
  if (device.size() <= 3) return false;
  for (size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(device[i])) != "COM"[i]) return false;
  }
  for (size_t i = 3; i < device.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(device[i]))) return false;
  }
  return true;
}

// The line as the link needs it, whatever the port came with: binary, the
// given speed, 8N1, no flow control of any kind (XON/XOFF would swallow
// 0x11 and 0x13 inside blocks and stop our output on a 0x13 from the line),
// nothing discarded or replaced, DTR and RTS on.
void SetLineFields(DCB* dcb, uint32_t baud) {
  dcb->BaudRate = baud;
  dcb->fBinary = TRUE;
  dcb->fParity = FALSE;
  dcb->fOutxCtsFlow = FALSE;
  dcb->fOutxDsrFlow = FALSE;
  dcb->fDtrControl = DTR_CONTROL_ENABLE;
  dcb->fDsrSensitivity = FALSE;
  dcb->fTXContinueOnXoff = TRUE;
  dcb->fOutX = FALSE;
  dcb->fInX = FALSE;
  dcb->fErrorChar = FALSE;
  dcb->fNull = FALSE;
  dcb->fRtsControl = RTS_CONTROL_ENABLE;
  dcb->fAbortOnError = FALSE;
  dcb->XonLim = kXonXoffLimit;
  dcb->XoffLim = kXonXoffLimit;
  dcb->ByteSize = 8;
  dcb->Parity = NOPARITY;
  dcb->StopBits = ONESTOPBIT;
  dcb->XonChar = kXonChar;
  dcb->XoffChar = kXoffChar;
}

}  // namespace

struct SerialPort::Native {
  UniqueHandle port;
  std::string name;  // as given to Open: the default configuration is read by it
  bool hungUp = false;
  InputQueue queue;
  std::atomic<bool> woken{false};  // set by Wake on any thread

  // Moves whatever the driver holds into the queue, as far as it has room,
  // and clears the line's error state. False when the line status can't be
  // read or a read fails: the port is gone.
  bool Fill() {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(port.Get(), &errors, &status)) {
      hungUp = true;
      return false;
    }
    for (;;) {
      std::span<uint8_t> room = queue.FreeSpace();
      if (room.empty()) return true;
      DWORD got = 0;
      if (!ReadFile(port.Get(), room.data(), static_cast<DWORD>(room.size()), &got, nullptr)) {
        hungUp = true;
        return false;
      }
      queue.Added(got);
      if (got < room.size()) return true;
    }
  }
};

SerialPort::SerialPort(const Application& application) : app(application), native(std::make_unique<Native>()) {}

void SerialPort::WaitForInput(uint32_t timeoutMs) {
  // A synchronous handle can't wait on an event beside the read, so the
  // wait is a read of one byte with the port's read time-outs, in slices
  // short enough for Wake to end it within a fraction of a second.
  const DWORD start = GetTickCount();
  // What the queue holds is not new: the wait is for the driver's bytes.
  while (!native->hungUp && native->port.Valid()) {
    if (native->woken.exchange(false)) return;
    const DWORD waited = GetTickCount() - start;
    if (waited >= timeoutMs) return;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(native->port.Get(), &errors, &status)) {
      native->hungUp = true;
      return;
    }
    if (status.cbInQue > 0) return;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = std::min<DWORD>(kWaitSliceMs, timeoutMs - waited);
    std::span<uint8_t> room = native->queue.FreeSpace();
    if (room.empty()) return;  // full: the link reads before it waits again
    DWORD got = 0;
    const bool read =
        SetCommTimeouts(native->port.Get(), &timeouts) && ReadFile(native->port.Get(), room.data(), 1, &got, nullptr);
    SetNonBlockingTimeouts();
    if (!read) {
      native->hungUp = true;
      return;
    }
    native->queue.Added(got);
    if (got > 0) return;
  }
}

void SerialPort::Wake() { native->woken.store(true); }

SerialPort::~SerialPort() { Close(); }

bool IsStandardSpeed(uint32_t baud) {
  for (uint32_t speed : kSpeeds) {
    if (speed == baud) return true;
  }
  return false;
}

bool SerialPort::Open(const std::string& device, std::string* reason) {
  const std::string path = IsComName(device) ? kDevicePrefix + device : device;
  const std::filesystem::path name = PathFromNarrow(path);
  // A file's name is refused from the name, never opened: only a device
  // can be a port.
  if (!IsDeviceName(name.native())) {
    *reason = device + ": " + AdviceText(app, text::kNotASerialDevice);
    return false;
  }
  UniqueHandle port(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!port.Valid()) {
    *reason = DescribeOpenFailure(device, static_cast<int>(GetLastError()), DeviceRoots{}, app);
    return false;
  }
  // Any other device (NUL, the console, a printer) has no line state.
  DCB state{};
  state.DCBlength = sizeof state;
  if (GetFileType(port.Get()) != FILE_TYPE_CHAR || !GetCommState(port.Get(), &state)) {
    *reason = device + ": " + AdviceText(app, text::kNotASerialDevice);
    return false;
  }
  native->port = std::move(port);
  native->name = device;
  native->hungUp = false;
  native->queue.Clear();
  open.store(true, std::memory_order_release);
  return true;
}

bool SerialPort::SetQueueSizes(uint32_t inputBytes, uint32_t outputBytes) {
  if (inputBytes == 0 && outputBytes == 0) return true;
  if (inputBytes != 0) native->queue.Resize(inputBytes);
  return SetupComm(native->port.Get(), inputBytes, outputBytes) != 0;
}

bool SerialPort::ClearEventMask() { return SetCommMask(native->port.Get(), 0) != 0; }

bool SerialPort::ReadTimeouts() {
  COMMTIMEOUTS timeouts{};
  return GetCommTimeouts(native->port.Get(), &timeouts) != 0;
}

bool SerialPort::SetNonBlockingTimeouts() {
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  return SetCommTimeouts(native->port.Get(), &timeouts) != 0;
}

bool SerialPort::ApplyLineDefaults(uint32_t baud, std::string* reason) {
  COMMCONFIG config{};
  config.dwSize = sizeof config;
  DWORD size = sizeof config;
  // The port's default configuration is read by its name; where there is
  // none (not a COM port by name), the current state is the base. Every
  // field the line needs is set either way.
  const bool haveDefault = GetDefaultCommConfigW(PathFromNarrow(native->name).c_str(), &config, &size) != 0;
  if (!haveDefault) {
    config = COMMCONFIG{};
    config.dcb.DCBlength = sizeof config.dcb;
    if (!GetCommState(native->port.Get(), &config.dcb)) return true;
  }
  SetLineFields(&config.dcb, baud);
  if (haveDefault && SetCommConfig(native->port.Get(), &config, size)) return true;
  if (SetCommState(native->port.Get(), &config.dcb)) return true;
  *reason = SystemMessage(GetLastError());
  return false;
}

bool SerialPort::CanRunAt(uint32_t baud) {
  DCB saved{};
  saved.DCBlength = sizeof saved;
  if (!GetCommState(native->port.Get(), &saved)) return false;
  if (saved.BaudRate == baud) return true;
  DCB trial = saved;
  trial.BaudRate = baud;
  // Only the speed read back counts.
  DCB seen{};
  seen.DCBlength = sizeof seen;
  bool runs =
      SetCommState(native->port.Get(), &trial) && GetCommState(native->port.Get(), &seen) && seen.BaudRate == baud;
  SetCommState(native->port.Get(), &saved);
  return runs;
}

bool SerialPort::GetLineFormat(LineFormat* format) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(native->port.Get(), &dcb)) return false;
  format->baud = dcb.BaudRate;
  format->dataBits = dcb.ByteSize;
  format->parity = dcb.Parity;
  format->stopBits = dcb.StopBits;
  return true;
}

bool SerialPort::SetLineFormat(const LineFormat& format) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(native->port.Get(), &dcb)) return false;
  dcb.BaudRate = format.baud;
  dcb.ByteSize = format.dataBits;
  dcb.Parity = static_cast<BYTE>(format.parity & 0xFF);
  dcb.fParity = format.parity != 0;
  dcb.StopBits = format.stopBits;
  return SetCommState(native->port.Get(), &dcb) != 0;
}

bool SerialPort::Write(const uint8_t* data, uint32_t count, uint32_t* written) {
  DWORD done = 0;
  BOOL ok = WriteFile(native->port.Get(), data, count, &done, nullptr);
  *written = done;
  return ok != 0;
}

bool SerialPort::Read(uint8_t* buffer, uint32_t count, uint32_t* got) {
  *got = 0;
  if (!native->port.Valid()) return false;
  if (native->queue.Count() < count) native->Fill();
  if (native->queue.Count() == 0 && native->hungUp) return false;
  *got = static_cast<uint32_t>(native->queue.Take(buffer, count));
  return true;
}

bool SerialPort::QueuedCount(uint32_t* count) {
  *count = 0;
  if (!native->port.Valid()) return false;
  native->Fill();
  if (native->queue.Count() == 0 && native->hungUp) return false;
  *count = static_cast<uint32_t>(native->queue.Count());
  return true;
}

uint32_t SerialPort::TickCount() { return varnel::TickCount(); }

void SerialPort::Sleep(uint32_t milliseconds) { SleepMs(milliseconds); }

bool SerialPort::HungUp() const { return native->hungUp; }

void SerialPort::Close() {
  if (!native->port.Valid()) return;
  open.store(false, std::memory_order_release);
  static_cast<void>(native->port.Close());
  native->queue.Clear();
}

}  // namespace varnel
