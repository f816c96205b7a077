// CRC-16/XMODEM (polynomial 0x1021, initial value 0, not reflected, no final
// XOR) over the data bytes of a transfer block. Pure function, any thread.
#pragma once

#include <cstdint>

namespace varnel {

// Returns the CRC of `count` bytes at `data`; a count of 0 or less gives 0.
uint16_t Crc16(const uint8_t* data, int32_t count);

}  // namespace varnel
