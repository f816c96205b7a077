// UniqueFd: sole owner of a POSIX file descriptor, closed when the owner
// goes. Move-only; one thread at a time. For the POSIX files of the core
// and the simulated handset only.
#pragma once

#include <unistd.h>

#include <utility>

namespace varnel {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int descriptor) : fd(descriptor) {}
  ~UniqueFd() { static_cast<void>(Close()); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      static_cast<void>(Close());
      fd = std::exchange(other.fd, -1);
    }
    return *this;
  }

  int Get() const { return fd; }
  bool Valid() const { return fd >= 0; }

  // Takes `descriptor` in place of the one held, which is closed.
  void Reset(int descriptor = -1) {
    static_cast<void>(Close());
    fd = descriptor;
  }
  // Closes now; false when close reports an error, which for a written
  // file can mean the data did not reach the disk.
  [[nodiscard]] bool Close() {
    if (fd < 0) return true;
    const int result = ::close(fd);
    fd = -1;
    return result == 0;
  }

 private:
  int fd = -1;
};

}  // namespace varnel
