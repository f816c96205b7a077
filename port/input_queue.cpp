// The port's own input queue.
#include "port/input_queue.h"

#include <algorithm>
#include <cstring>

namespace varnel {

void InputQueue::Resize(size_t bytes) {
  storage.assign(std::max<size_t>(bytes, 1), 0);
  Clear();
}

void InputQueue::Clear() {
  start = 0;
  count = 0;
}

std::span<uint8_t> InputQueue::FreeSpace() {
  if (start > 0 && start + count == storage.size()) {
    std::memmove(storage.data(), storage.data() + start, count);
    start = 0;
  }
  const size_t end = start + count;
  return std::span<uint8_t>(storage.data() + end, storage.size() - end);
}

void InputQueue::Added(size_t bytes) { count += bytes; }

size_t InputQueue::Take(uint8_t* out, size_t bytes) {
  const size_t n = std::min(bytes, count);
  std::memcpy(out, storage.data() + start, n);
  start += n;
  count -= n;
  if (count == 0) start = 0;
  return n;
}

}  // namespace varnel
