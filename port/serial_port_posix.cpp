// SerialPort on POSIX termios. The port keeps an input queue of its own
// (port/input_queue.h), filled from the device whenever the count is asked
// for or a read is made.
#include "port/serial_port.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <limits>
#include <vector>

#include "port/input_queue.h"
#include "port/open_failure.h"
#include "port/termios_speed.h"
#include "port/tick_clock.h"

namespace varnel {
namespace {

constexpr int kWriteStallMs = 5000;  // a write that makes no progress fails
constexpr size_t kWakeDrainBytes = 64;
constexpr int kWritePollMs = 100;

std::string OpenFailureText(const std::string& device, int error, const Application& app) {
  return DescribeOpenFailure(device, error, DeviceRoots{}, app);
}

}  // namespace

struct SerialPort::Native {
  Native() {
    // The wake-up pipe: written by Wake, watched beside the device.
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) == 0) {
      wakeRead = ends[0];
      wakeWrite = ends[1];
    }
  }
  ~Native() {
    if (wakeRead >= 0) ::close(wakeRead);
    if (wakeWrite >= 0) ::close(wakeWrite);
  }
  Native(const Native&) = delete;
  Native& operator=(const Native&) = delete;

  int fd = -1;
  bool hungUp = false;
  InputQueue queue;
  int wakeRead = -1;
  int wakeWrite = -1;

  // Moves whatever the device holds into the queue, as far as it has room.
  // One poll tells whether there is anything to read, and also whether
  // the line is gone: an unplugged adapter reads 0 bytes for ever, and only
  // its poll status tells it apart from a quiet line.
  void Fill() {
    if (fd < 0 || hungUp) return;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) return;
    if ((p.revents & POLLIN) == 0) {
      if ((p.revents & (POLLHUP | POLLERR)) != 0) hungUp = true;
      return;
    }
    for (;;) {
      std::span<uint8_t> room = queue.FreeSpace();
      if (room.empty()) return;
      ssize_t n = ::read(fd, room.data(), room.size());
      if (n > 0) {
        queue.Added(static_cast<size_t>(n));
        if (static_cast<size_t>(n) < room.size()) return;
        continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
      // EIO: the other end closed the line; 0 after POLLIN: it hung up.
      hungUp = n < 0 || (p.revents & (POLLHUP | POLLERR)) != 0;
      return;
    }
  }
};

SerialPort::SerialPort(const Application& application) : app(application), native(std::make_unique<Native>()) {}

void SerialPort::WaitForInput(uint32_t timeoutMs) {
  if (native->hungUp) return;
  // The device's own readiness: what our queue holds is not new.
  std::array<pollfd, 2> fds{{{native->fd, POLLIN, 0}, {native->wakeRead, POLLIN, 0}}};
  // A closed port has nothing to wait for but the wake-up.
  if (native->fd < 0) fds[0].fd = -1;
  const int timeout = static_cast<int>(std::min<uint32_t>(timeoutMs, std::numeric_limits<int>::max()));
  if (::poll(fds.data(), fds.size(), timeout) > 0 && fds[1].revents != 0) {
    uint8_t drained[kWakeDrainBytes];
    while (::read(native->wakeRead, drained, sizeof drained) > 0) {
    }
  }
}

void SerialPort::Wake() {
  const uint8_t byte = 1;
  // A full pipe already wakes the wait; nothing is lost by a failed write.
  static_cast<void>(::write(native->wakeWrite, &byte, 1));
}

SerialPort::~SerialPort() { Close(); }

bool IsStandardSpeed(uint32_t baud) { return TermiosSpeedCode(baud).has_value(); }

bool SerialPort::Open(const std::string& device, std::string* reason) {
  // Refused from what the system says of it, never opened to find out.
  std::string why;
  if (!IsSerialDeviceNode(device, DeviceRoots{}, app, &why)) {
    *reason = device + ": " + why;
    return false;
  }
  int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *reason = OpenFailureText(device, errno, app);
    return false;
  }
  // Exclusive use: TIOCEXCL keeps other users out, the advisory lock also
  // keeps out programs running as root, which TIOCEXCL lets through.
  int error = 0;
  if (!::isatty(fd)) {
    error = ENOTTY;
  } else if (::ioctl(fd, TIOCEXCL) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = errno;
  }
  if (error != 0) {
    ::close(fd);
    *reason = OpenFailureText(device, error, app);
    return false;
  }
  // USB serial adapters hold received bytes for up to 16 ms unless asked
  // for low latency; every stop-and-wait exchange would pay that. Drivers
  // without the setting, and pseudo-terminals, refuse it: that is fine.
  serial_struct serial{};
  if (::ioctl(fd, TIOCGSERIAL, &serial) == 0) {
    serial.flags |= ASYNC_LOW_LATENCY;
    ::ioctl(fd, TIOCSSERIAL, &serial);
  }
  native->fd = fd;
  native->hungUp = false;
  native->queue.Clear();
  open.store(true, std::memory_order_release);
  return true;
}

bool SerialPort::SetQueueSizes(uint32_t inputBytes, uint32_t /*outputBytes*/) {
  // The output queue is the driver's own; the input queue is ours.
  if (native->fd < 0 || inputBytes == 0) return native->fd >= 0;
  native->queue.Resize(inputBytes);
  return true;
}

bool SerialPort::ClearEventMask() { return native->fd >= 0; }

bool SerialPort::ReadTimeouts() { return native->fd >= 0; }

bool SerialPort::SetNonBlockingTimeouts() {
  // The descriptor is already non-blocking; VMIN and VTIME are set with the
  // line defaults, so a read returns at once with what is there.
  return native->fd >= 0;
}

bool SerialPort::ApplyLineDefaults(uint32_t baud, std::string* reason) {
  termios tio{};
  if (native->fd < 0 || ::tcgetattr(native->fd, &tio) != 0) return true;
  if (const std::optional<speed_t> code = TermiosSpeedCode(baud)) {
    ::cfsetispeed(&tio, *code);
    ::cfsetospeed(&tio, *code);
  }
  // Raw: no canonical input, echo, signals, CR/LF translation or XON/XOFF;
  // a pseudo-terminal starts with all of these on and each corrupts binary
  // data.
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CREAD | CLOCAL;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (::tcsetattr(native->fd, TCSANOW, &tio) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  // A device without modem lines, such as a pseudo-terminal, refuses this
  // with ENOTTY or EINVAL; that is fine.
  int lines = TIOCM_DTR | TIOCM_RTS;
  ::ioctl(native->fd, TIOCMBIS, &lines);
  return true;
}

bool SerialPort::CanRunAt(uint32_t baud) {
  termios saved{};
  const std::optional<speed_t> wanted = TermiosSpeedCode(baud);
  if (native->fd < 0 || !wanted || ::tcgetattr(native->fd, &saved) != 0) return false;
  const speed_t code = *wanted;
  if (::cfgetospeed(&saved) == code) return true;
  termios trial = saved;
  ::cfsetispeed(&trial, code);
  ::cfsetospeed(&trial, code);
  // A driver may take a speed it can't make and keep another: only the
  // speed read back counts.
  termios seen{};
  bool runs = ::tcsetattr(native->fd, TCSANOW, &trial) == 0 && ::tcgetattr(native->fd, &seen) == 0 &&
              ::cfgetospeed(&seen) == code;
  ::tcsetattr(native->fd, TCSANOW, &saved);
  return runs;
}

bool SerialPort::GetLineFormat(LineFormat* format) {
  termios tio{};
  if (native->fd < 0 || ::tcgetattr(native->fd, &tio) != 0) return false;
  format->baud = TermiosSpeedValue(::cfgetospeed(&tio));
  switch (tio.c_cflag & CSIZE) {
    case CS5: format->dataBits = 5; break;
    case CS6: format->dataBits = 6; break;
    case CS7: format->dataBits = 7; break;
    default: format->dataBits = 8; break;
  }
  format->parity = (tio.c_cflag & PARENB) == 0 ? 0 : ((tio.c_cflag & PARODD) != 0 ? 1 : 2);
  format->stopBits = (tio.c_cflag & CSTOPB) != 0 ? 2 : 0;
  return true;
}

bool SerialPort::SetLineFormat(const LineFormat& format) {
  termios tio{};
  if (native->fd < 0 || ::tcgetattr(native->fd, &tio) != 0) return false;
  const std::optional<speed_t> code = TermiosSpeedCode(format.baud);
  if (!code) return false;
  ::cfsetispeed(&tio, *code);
  ::cfsetospeed(&tio, *code);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB);
  switch (format.dataBits) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    default: tio.c_cflag |= CS8; break;
  }
  uint8_t parity = static_cast<uint8_t>(format.parity & 0xFF);
  if (parity != 0) tio.c_cflag |= PARENB | (parity == 1 ? PARODD : 0);
  if (format.stopBits != 0) tio.c_cflag |= CSTOPB;
  return ::tcsetattr(native->fd, TCSANOW, &tio) == 0;
}

bool SerialPort::Write(const uint8_t* data, uint32_t count, uint32_t* written) {
  *written = 0;
  int stalledMs = 0;
  while (*written < count) {
    ssize_t n = ::write(native->fd, data + *written, count - *written);
    if (n > 0) {
      *written += static_cast<uint32_t>(n);
      stalledMs = 0;
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      if (errno == EIO) native->hungUp = true;
      return false;
    }
    // The driver's output queue is full: wait until it drains, but never
    // for ever on a line that has stopped moving.
    if (stalledMs >= kWriteStallMs) return false;
    pollfd p{native->fd, POLLOUT, 0};
    ::poll(&p, 1, kWritePollMs);
    stalledMs += kWritePollMs;
  }
  return true;
}

bool SerialPort::Read(uint8_t* buffer, uint32_t count, uint32_t* got) {
  *got = 0;
  if (native->fd < 0) return false;
  if (native->queue.Count() < count) native->Fill();
  if (native->queue.Count() == 0 && native->hungUp) return false;
  *got = static_cast<uint32_t>(native->queue.Take(buffer, count));
  return true;
}

bool SerialPort::QueuedCount(uint32_t* count) {
  *count = 0;
  if (native->fd < 0) return false;
  native->Fill();
  if (native->queue.Count() == 0 && native->hungUp) return false;
  *count = static_cast<uint32_t>(native->queue.Count());
  return true;
}

uint32_t SerialPort::TickCount() { return varnel::TickCount(); }

void SerialPort::Sleep(uint32_t milliseconds) { SleepMs(milliseconds); }

bool SerialPort::HungUp() const { return native->hungUp; }

void SerialPort::Close() {
  if (native->fd < 0) return;
  open.store(false, std::memory_order_release);
  ::ioctl(native->fd, TIOCNXCL);
  ::close(native->fd);
  native->fd = -1;
  native->queue.Clear();
}

}  // namespace varnel
