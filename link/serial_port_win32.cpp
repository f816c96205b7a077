// SerialPort on the Win32 communications API: a synchronous handle whose
// reads return at once with what the driver has queued.
#include "link/serial_port.h"

#include <windows.h>

#include <array>

namespace varnel {
namespace {

constexpr std::array<uint32_t, 20> kSpeeds = {
    300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200,
    230400, 460800, 500000, 576000, 921600, 1000000, 1152000, 1500000,
    2000000, 3000000,
};

constexpr WORD kXonXoffLimit = 262;
constexpr char kXonChar = 0x11;
constexpr char kXoffChar = 0x13;

std::string SystemErrorText(const std::string& device, DWORD error) {
  char message[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, error, 0, message, sizeof message, nullptr);
  return device + ": " + message;
}

}  // namespace

struct SerialPort::Native {
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool hungUp = false;
};

SerialPort::SerialPort() : native(std::make_unique<Native>()) {}

SerialPort::~SerialPort() { Close(); }

bool IsStandardSpeed(uint32_t baud) {
  for (uint32_t speed : kSpeeds) {
    if (speed == baud) return true;
  }
  return false;
}

bool SerialPort::Open(const std::string& device, std::string* reason) {
  // Ports above COM9 need the device namespace prefix.
  std::string path = device.rfind("COM", 0) == 0 ? "\\\\.\\" + device : device;
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *reason = SystemErrorText(device, GetLastError());
    return false;
  }
  native->handle = handle;
  native->hungUp = false;
  open.store(true, std::memory_order_release);
  return true;
}

bool SerialPort::SetQueueSizes(uint32_t inputBytes, uint32_t outputBytes) {
  if (inputBytes == 0 && outputBytes == 0) return true;
  return SetupComm(native->handle, inputBytes, outputBytes) != 0;
}

bool SerialPort::ClearEventMask() { return SetCommMask(native->handle, 0) != 0; }

bool SerialPort::ReadTimeouts() {
  COMMTIMEOUTS timeouts{};
  return GetCommTimeouts(native->handle, &timeouts) != 0;
}

bool SerialPort::SetNonBlockingTimeouts() {
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  return SetCommTimeouts(native->handle, &timeouts) != 0;
}

void SerialPort::ApplyLineDefaults(uint32_t baud) {
  COMMCONFIG config{};
  config.dwSize = sizeof config;
  DWORD size = sizeof config;
  // The default configuration is read by the port's name.
  if (!GetCommConfig(native->handle, &config, &size)) return;
  DCB& dcb = config.dcb;
  dcb.BaudRate = baud;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.fParity = FALSE;
  dcb.StopBits = ONESTOPBIT;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.XonLim = kXonXoffLimit;
  dcb.XoffLim = kXonXoffLimit;
  dcb.XonChar = kXonChar;
  dcb.XoffChar = kXoffChar;
  SetCommConfig(native->handle, &config, size);
}

bool SerialPort::CanRunAt(uint32_t baud) {
  DCB saved{};
  saved.DCBlength = sizeof saved;
  if (!GetCommState(native->handle, &saved)) return false;
  if (saved.BaudRate == baud) return true;
  DCB trial = saved;
  trial.BaudRate = baud;
  // Only the speed read back counts.
  DCB seen{};
  seen.DCBlength = sizeof seen;
  bool runs = SetCommState(native->handle, &trial) && GetCommState(native->handle, &seen) &&
              seen.BaudRate == baud;
  SetCommState(native->handle, &saved);
  return runs;
}

bool SerialPort::GetLineFormat(LineFormat* format) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(native->handle, &dcb)) return false;
  format->baud = dcb.BaudRate;
  format->dataBits = dcb.ByteSize;
  format->parity = dcb.Parity;
  format->stopBits = dcb.StopBits;
  return true;
}

bool SerialPort::SetLineFormat(const LineFormat& format) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(native->handle, &dcb)) return false;
  dcb.BaudRate = format.baud;
  dcb.ByteSize = format.dataBits;
  dcb.Parity = static_cast<BYTE>(format.parity & 0xFF);
  dcb.fParity = format.parity != 0;
  dcb.StopBits = format.stopBits;
  return SetCommState(native->handle, &dcb) != 0;
}

bool SerialPort::Write(const uint8_t* data, uint32_t count, uint32_t* written) {
  DWORD done = 0;
  BOOL ok = WriteFile(native->handle, data, count, &done, nullptr);
  *written = done;
  return ok != 0;
}

bool SerialPort::Read(uint8_t* buffer, uint32_t count, uint32_t* got) {
  DWORD done = 0;
  BOOL ok = ReadFile(native->handle, buffer, count, &done, nullptr);
  *got = done;
  if (!ok) native->hungUp = true;
  return ok != 0;
}

bool SerialPort::QueuedCount(uint32_t* count) {
  DWORD errors = 0;
  COMSTAT comStat{};
  *count = 0;
  if (!ClearCommError(native->handle, &errors, &comStat)) {
    native->hungUp = true;
    return false;
  }
  *count = comStat.cbInQue;
  return true;
}

bool SerialPort::HungUp() const { return native->hungUp; }

void SerialPort::Close() {
  if (native->handle == INVALID_HANDLE_VALUE) return;
  open.store(false, std::memory_order_release);
  CloseHandle(native->handle);
  native->handle = INVALID_HANDLE_VALUE;
}

}  // namespace varnel
