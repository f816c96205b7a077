// The self-pipe: non-blocking both ends, so Notify never blocks on a full
// pipe (one pending byte is enough to wake the reader).
#include "sim/wake_pipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>

namespace varnel::sim {

WakePipe::WakePipe() {
  std::array<int, 2> ends{-1, -1};
  if (::pipe(ends.data()) != 0) return;
  readEnd = UniqueFd(ends[0]);
  writeEnd = UniqueFd(ends[1]);
  for (int fd : ends) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
}

void WakePipe::Notify() {
  const char byte = 1;
  // A full pipe already wakes the reader, so a failed write loses nothing.
  [[maybe_unused]] ssize_t written = ::write(writeEnd.Get(), &byte, 1);
}

void WakePipe::Drain() {
  std::array<char, 64> sink{};
  while (::read(readEnd.Get(), sink.data(), sink.size()) > 0) {
  }
}

}  // namespace varnel::sim
