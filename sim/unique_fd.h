// UniqueFd: sole owner of a POSIX file descriptor, closed when the owner
// goes. Move-only; one thread at a time.
#pragma once

#include <unistd.h>

#include <utility>

namespace varnel::sim {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int descriptor) : fd(descriptor) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd = std::exchange(other.fd, -1);
    }
    return *this;
  }

  int Get() const { return fd; }
  bool Valid() const { return fd >= 0; }

  // Closes the descriptor held, if any.
  void Reset() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }

 private:
  int fd = -1;
};

}  // namespace varnel::sim
