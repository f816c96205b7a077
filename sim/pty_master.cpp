// Pseudo-terminal master on POSIX (posix_openpt).
#include "sim/pty_master.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <utility>

#include "port/termios_speed.h"

namespace varnel::sim {

PtyMaster::PtyMaster() {
  int opened = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (opened < 0) return;
  if (grantpt(opened) != 0 || unlockpt(opened) != 0) {
    ::close(opened);
    return;
  }
  char name[128];
  if (ptsname_r(opened, name, sizeof name) != 0) {
    ::close(opened);
    return;
  }
  fd = opened;
  slavePath = name;
  // Termios requests on the master act on the slave: start it raw, so bytes
  // the handset sends before the program configures the port are not echoed
  // back or translated.
  termios tio{};
  if (tcgetattr(fd, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
  }
  // Until the slave has been opened once, the master never reports POLLHUP;
  // open and close it here so "nobody holds the port" is visible from the
  // start.
  int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave >= 0) ::close(slave);
}

PtyMaster::~PtyMaster() { Close(); }

void PtyMaster::Close() {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

uint32_t PtyMaster::ProgramSpeed() const {
  termios tio{};
  if (fd < 0 || tcgetattr(fd, &tio) != 0) return 0;
  return TermiosSpeedValue(cfgetospeed(&tio));
}

void PtyMaster::Flush() {
  if (fd < 0) return;
  tcflush(fd, TCIOFLUSH);
  // Bytes written to the master while nobody held the slave wait in the
  // slave's input queue for its next opener, and flushing the master does
  // not reach them (Linux); flushing the slave's input does.
  int slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave < 0) return;
  tcflush(slave, TCIFLUSH);
  ::close(slave);
}

bool PtyMaster::SlaveOpen() const {
  if (fd < 0) return false;
  // POLLHUP on the master means no process holds the slave open.
  pollfd p{fd, POLLIN, 0};
  if (poll(&p, 1, 0) < 0) return false;
  return (p.revents & POLLHUP) == 0;
}

bool PtyMaster::Write(const uint8_t* data, size_t count, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd, data + done, count - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    if (Clock::now() >= deadline) return false;
    pollfd p{fd, POLLOUT, 0};
    poll(&p, 1, 5);
  }
  return true;
}

size_t PtyMaster::Read(uint8_t* buffer, size_t capacity, int timeoutMs) {
  if (fd < 0) return 0;
  pollfd p{fd, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return 0;
  if ((p.revents & POLLIN) == 0) {
    // Nobody holds the slave: don't spin on POLLHUP.
    if (timeoutMs > 0) ::usleep(1000);
    return 0;
  }
  ssize_t n = ::read(fd, buffer, capacity);
  return n > 0 ? static_cast<size_t>(n) : 0;
}

}  // namespace varnel::sim
