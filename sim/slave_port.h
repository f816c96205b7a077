// SlavePort: the program's end of the simulated cable, opened the way a
// serial program opens a port (raw 8N1, no flow control, a chosen speed).
// Meant for tests that speak the protocol by hand. One thread at a time.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/unique_fd.h"

namespace varnel::sim {

class SlavePort {
 public:
  SlavePort() = default;
  SlavePort(SlavePort&&) = default;
  SlavePort& operator=(SlavePort&&) = default;

  // Opens `path` raw at `speed` bit/s. False when it can't be opened or the
  // speed is not one termios knows.
  [[nodiscard]] bool Open(const std::string& path, uint32_t speed);
  void Close() { fd.Reset(); }
  bool IsOpen() const { return fd.Valid(); }

  [[nodiscard]] bool SetSpeed(uint32_t speed);

  // Writes all bytes; false when the line broke.
  [[nodiscard]] bool Write(const std::vector<uint8_t>& bytes);
  [[nodiscard]] bool WriteText(const std::string& text);

  // Reads exactly `count` bytes within `timeout`; returns what arrived
  // (fewer on time-out or hang-up).
  std::vector<uint8_t> Read(size_t count, std::chrono::milliseconds timeout);

  // Reads until `terminator` (included) within `timeout`.
  std::vector<uint8_t> ReadUntil(uint8_t terminator, std::chrono::milliseconds timeout);

  // True once the other end has hung up (read gives end of file or EIO).
  bool HungUp(std::chrono::milliseconds timeout);

  // Drops whatever is queued for reading.
  void Flush();

 private:
  UniqueFd fd;
};

}  // namespace varnel::sim
