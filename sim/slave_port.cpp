// The test-side serial port on the pseudo-terminal's slave.
#include "sim/slave_port.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>

#include "port/termios_speed.h"

namespace varnel::sim {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

bool SlavePort::Open(const std::string& path, uint32_t speed) {
  fd = UniqueFd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) return false;
  termios tio{};
  if (tcgetattr(fd.Get(), &tio) != 0) return false;
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
  if (tcsetattr(fd.Get(), TCSANOW, &tio) != 0) return false;
  return SetSpeed(speed);
}

bool SlavePort::SetSpeed(uint32_t speed) {
  termios tio{};
  if (!fd.Valid() || tcgetattr(fd.Get(), &tio) != 0) return false;
  const std::optional<speed_t> code = TermiosSpeedCode(speed);
  if (!code) return false;
  cfsetispeed(&tio, *code);
  cfsetospeed(&tio, *code);
  return tcsetattr(fd.Get(), TCSANOW, &tio) == 0;
}

bool SlavePort::Write(const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
  while (done < bytes.size() && Clock::now() < deadline) {
    ssize_t n = ::write(fd.Get(), bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return false;
    } else {
      pollfd p{fd.Get(), POLLOUT, 0};
      ::poll(&p, 1, RemainingMs(deadline));
    }
  }
  return done == bytes.size();
}

bool SlavePort::WriteText(const std::string& text) { return Write(std::vector<uint8_t>(text.begin(), text.end())); }

std::vector<uint8_t> SlavePort::Read(size_t count, std::chrono::milliseconds timeout) {
  std::vector<uint8_t> bytes;
  Clock::time_point deadline = Clock::now() + timeout;
  std::array<uint8_t, 4096> buffer{};
  while (bytes.size() < count) {
    pollfd p{fd.Get(), POLLIN, 0};
    if (::poll(&p, 1, RemainingMs(deadline)) <= 0) break;
    size_t want = std::min(buffer.size(), count - bytes.size());
    ssize_t n = ::read(fd.Get(), buffer.data(), want);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) break;
    if (n > 0) bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + n);
  }
  return bytes;
}

std::vector<uint8_t> SlavePort::ReadUntil(uint8_t terminator, std::chrono::milliseconds timeout) {
  std::vector<uint8_t> bytes;
  Clock::time_point deadline = Clock::now() + timeout;
  while (bytes.empty() || bytes.back() != terminator) {
    std::vector<uint8_t> one = Read(1, std::chrono::milliseconds(RemainingMs(deadline)));
    if (one.empty()) break;
    bytes.push_back(one[0]);
  }
  return bytes;
}

bool SlavePort::HungUp(std::chrono::milliseconds timeout) {
  Clock::time_point deadline = Clock::now() + timeout;
  std::array<uint8_t, 4096> buffer{};
  for (;;) {
    pollfd p{fd.Get(), POLLIN, 0};
    int ready = ::poll(&p, 1, RemainingMs(deadline));
    if (ready <= 0) return false;
    if ((p.revents & (POLLHUP | POLLERR)) != 0) return true;
    ssize_t n = ::read(fd.Get(), buffer.data(), buffer.size());
    if (n == 0 || (n < 0 && errno == EIO)) return true;
  }
}

void SlavePort::Flush() {
  if (fd.Valid()) tcflush(fd.Get(), TCIFLUSH);
}

}  // namespace varnel::sim
