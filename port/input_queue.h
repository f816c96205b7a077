// InputQueue: the bytes a serial port has received and the link has not
// read yet, kept by the port itself. Drivers report no more queued bytes
// than their own buffer holds (4095 on Linux's tty layer, under Wine too),
// so a whole 8 KiB block would never be counted as waiting; this queue
// holds as much as the link asked for when it opened the port. One thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace varnel {

class InputQueue {
 public:
  static constexpr size_t kDefaultBytes = 4096;

  // Makes room for `bytes` (at least one) and empties the queue.
  void Resize(size_t bytes);
  void Clear();

  size_t Count() const { return count; }

  // Where newly received bytes go: the free room after the queued bytes
  // (moved to the front first when they would leave no room). Empty when
  // the queue is full. Added() then says how many went in.
  std::span<uint8_t> FreeSpace();
  void Added(size_t bytes);

  // Moves up to `bytes` from the front into `out`; returns how many.
  size_t Take(uint8_t* out, size_t bytes);

 private:
  std::vector<uint8_t> storage = std::vector<uint8_t>(kDefaultBytes);
  size_t start = 0;
  size_t count = 0;
};

}  // namespace varnel
