// Little-endian fields of the loader's packets, blocks and package file.
#pragma once

#include <cstdint>

namespace varnel {

inline uint32_t LoadLittleEndian16(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8;
}

inline void StoreLittleEndian16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

inline void StoreLittleEndian32(uint8_t* at, uint32_t value) {
  StoreLittleEndian16(at, value);
  StoreLittleEndian16(at + 2, value >> 16);
}

}  // namespace varnel
