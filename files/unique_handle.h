// UniqueHandle: sole owner of a Win32 handle (a file, a port, an event),
// closed when the owner goes. Move-only; one thread at a time. For the
// Win32 files of the program only.
#pragma once

#include <windows.h>

#include <utility>

namespace varnel {

class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : value(handle) {}
  ~UniqueHandle() { static_cast<void>(Close()); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : value(std::exchange(other.value, INVALID_HANDLE_VALUE)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      static_cast<void>(Close());
      value = std::exchange(other.value, INVALID_HANDLE_VALUE);
    }
    return *this;
  }

  HANDLE Get() const { return value; }
  // Files and ports fail with INVALID_HANDLE_VALUE, events with null.
  bool Valid() const { return value != INVALID_HANDLE_VALUE && value != nullptr; }

  // Takes `handle` in place of the one held, which is closed.
  void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    static_cast<void>(Close());
    value = handle;
  }
  // Closes now; false when CloseHandle reports an error, which for a
  // written file can mean the data did not reach the disk.
  [[nodiscard]] bool Close() {
    if (!Valid()) return true;
    const BOOL closed = CloseHandle(value);
    value = INVALID_HANDLE_VALUE;
    return closed != FALSE;
  }

 private:
  HANDLE value = INVALID_HANDLE_VALUE;
};

}  // namespace varnel
