// Chunked comparison of two open files.
#include "link/file_compare.h"

#include <algorithm>
#include <memory>

namespace varnel {

FileDifference CompareFiles(TransferFile& expected, TransferFile& actual, uint64_t length) {
  FileDifference difference;
  const auto left = std::make_unique<uint8_t[]>(kCompareChunkBytes);
  const auto right = std::make_unique<uint8_t[]>(kCompareChunkBytes);
  for (uint64_t at = 0; at < length;) {
    const uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(kCompareChunkBytes, length - at));
    uint32_t gotLeft = 0;
    uint32_t gotRight = 0;
    if (!expected.Read(left.get(), want, &gotLeft) || !actual.Read(right.get(), want, &gotRight) || gotLeft != want ||
        gotRight != want) {
      return difference;  // not readable
    }
    for (uint32_t i = 0; i < want; ++i) {
      if (left[i] == right[i]) continue;
      if (difference.differing++ == 0) difference.first = at + i;
    }
    at += want;
  }
  difference.readable = true;
  return difference;
}

}  // namespace varnel
