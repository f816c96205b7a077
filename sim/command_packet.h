// The loader's reading of a command packet: length byte L (1, 5 or 9), the
// command code, then up to two little-endian 32-bit arguments, each present
// only when non-zero. Pure functions, any thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnel::sim {

struct CommandPacket {
  uint8_t code = 0;
  uint32_t argumentCount = 0;  // 0, 1 or 2
  uint32_t first = 0;          // 0 when absent
  uint32_t second = 0;         // 0 when absent
};

enum class PacketDecode {
  kOk,
  kBadLength,     // L is not 1, 5 or 9, or the bytes are not L + 1 long
  kZeroArgument,  // an argument sent as 0, which the format leaves out
};

// Whether `length` can be a packet's first byte.
bool PacketLengthValid(uint8_t length);

// Decodes the `count` bytes of one whole packet, length byte included.
// `packet` is filled on kOk and on kZeroArgument.
[[nodiscard]] PacketDecode DecodePacket(const uint8_t* bytes, size_t count,
                                        CommandPacket* packet);

}  // namespace varnel::sim
