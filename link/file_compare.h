// Compares a file with what was read back from the flash, a chunk at a
// time, so neither is ever held whole however large the region: the first
// differing byte and the count of differing bytes. Qt-free, one thread.
#pragma once

#include <cstdint>

#include "files/transfer_file.h"

namespace varnel {

// Bytes compared at a time.
inline constexpr uint32_t kCompareChunkBytes = 64 * 1024;

struct FileDifference {
  bool readable = false;  // both files gave all `length` bytes
  uint64_t differing = 0;
  uint64_t first = 0;  // offset of the first differing byte, when any
};

// Reads `length` bytes of `expected` and `actual` from where each stands.
FileDifference CompareFiles(TransferFile& expected, TransferFile& actual, uint64_t length);

}  // namespace varnel
