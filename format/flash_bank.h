// The handset's flash as the loader addresses it: two banks of 8 MiB, bank 1
// at 0x1000000 with 8 KiB sectors in its first 64 KiB, bank 2 at 0x2000000
// with 8 KiB sectors in its last 64 KiB (from 0x27F0000 on), 64 KiB sectors
// elsewhere.
#pragma once

#include <cstdint>

#include "format/wire_format.h"

namespace varnel {

struct FlashBank {
  int number;  // 1 or 2
  uint32_t base;
};

// The preset regions: all of bank 1, and bank 2 in two parts.
struct FlashRegion {
  uint32_t offset;
  uint32_t size;

  bool operator==(const FlashRegion&) const = default;
};
inline constexpr uint32_t kImageRegionBytes = 0x500000;  // 5 MiB of bank 2, the rest is data
inline constexpr FlashRegion kSystemRegion = {kBank1Base, kBankSize};
inline constexpr FlashRegion kImageRegion = {kBank2Base, kImageRegionBytes};
inline constexpr FlashRegion kDataRegion = {kBank2Base + kImageRegionBytes, kBankSize - kImageRegionBytes};
static_assert(kDataRegion.offset == 0x2500000 && kDataRegion.size == 0x300000);

// The bank holding `address`; false below bank 1.
bool FindFlashBank(uint32_t address, FlashBank* bank);

// Whether `length` bytes from the bank-relative `relative` stay inside the
// bank (summed in 64 bits, so no length can wrap around).
bool FitsInBank(uint32_t relative, uint64_t length);

// Bytes from the bank-relative address `relative` up to the next sector
// boundary strictly above it; never 0.
uint32_t SectorRoom(uint32_t relative, const FlashBank& bank);

}  // namespace varnel
