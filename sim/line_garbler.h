// What crosses a serial line whose two ends run at different speeds: each
// byte arrives as a garbage byte. Pure functions, any thread.
#pragma once

#include <cstdint>

namespace varnel::sim {

// Garbage bytes lie in 0xE0..0xEF: none of them is a value either side of
// the protocol acts on (no offer, answer, control byte, packet length,
// response 0 or S-record character), so a mismatched line never succeeds.
inline constexpr uint8_t kGarbageBase = 0xE0;
inline constexpr uint8_t kGarbageMask = 0x0F;

// True when bytes cross intact: both ends at the same known speed. A speed
// of 0 (unknown, or nobody on the line) never matches.
bool SpeedsMatch(uint32_t programSpeed, uint32_t handsetSpeed);

// The byte the receiver reads when `byte` is sent at `senderSpeed` and read
// at a different `receiverSpeed`: deterministic, within the garbage range.
uint8_t GarbleByte(uint8_t byte, uint32_t senderSpeed, uint32_t receiverSpeed);

}  // namespace varnel::sim
