// The loader's command packets, as the program writes them and the handset
// reads them: length byte L (1, 5 or 9), the command code, then up to two
// little-endian 32-bit arguments, each present only when non-zero. The
// two AT texts of the boot dialogue go out through the same call under
// codes of their own. Pure functions, any thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "format/wire_format.h"

namespace varnel {

struct CommandPacket {
  uint8_t code = 0;
  uint32_t argumentCount = 0;  // 0, 1 or 2
  uint32_t first = 0;          // 0 when absent
  uint32_t second = 0;         // 0 when absent
};

enum class PacketDecode {
  Ok,
  BadLength,     // L is not 1, 5 or 9, or the bytes are not L + 1 long
  ZeroArgument,  // an argument sent as 0, which the format leaves out
};

// Writes the packet of `code` with its arguments into `bytes` and returns
// its length. An argument of 0 is left out; the second one goes out only
// with a first. kCodeAtText and kCodeAtDownloadText write their texts.
size_t EncodePacket(uint32_t code, uint32_t first, uint32_t second, uint8_t (&bytes)[kPacketMaxBytes]);

// Whether `length` can be a packet's first byte.
bool PacketLengthValid(uint8_t length);

// Decodes the `count` bytes of one whole packet, length byte included.
// `packet` is filled on Ok and on ZeroArgument.
[[nodiscard]] PacketDecode DecodePacket(const uint8_t* bytes, size_t count, CommandPacket* packet);

}  // namespace varnel
