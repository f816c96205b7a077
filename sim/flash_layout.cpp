// Bank lookup, sector rooms and the fresh-image pattern.
#include "sim/flash_layout.h"

#include "format/wire_format.h"

namespace varnel::sim {

static_assert(kImageBytes == kBankCount * kBankSize);

std::optional<FlashBank> FindBank(uint32_t address) {
  if (address >= kBank2Base && address - kBank2Base < kBankSize) {
    return FlashBank{1, kBank2Base};
  }
  if (address >= kBank1Base && address < kBank2Base) {
    return FlashBank{0, kBank1Base};
  }
  return std::nullopt;
}

bool RegionInsideBank(uint32_t address, uint32_t size) {
  std::optional<FlashBank> bank = FindBank(address);
  if (!bank) return false;
  uint64_t end = uint64_t{address - bank->base} + size;
  return end <= kBankSize;
}

uint32_t ImageOffset(uint32_t address) {
  std::optional<FlashBank> bank = FindBank(address);
  return bank->index * kBankSize + (address - bank->base);
}

uint32_t SectorRoom(uint32_t relative, const FlashBank& bank) {
  const uint32_t smallEnd = kLargeSector;                // bank 1's small part
  const uint32_t smallStart = kBankSize - kLargeSector;  // bank 2's small part
  bool small = bank.base == kBank1Base ? relative < smallEnd : relative >= smallStart;
  uint32_t sector = small ? kSmallSector : kLargeSector;
  return sector - relative % sector;
}

uint8_t PatternByte(uint32_t address) {
  // A 32-bit finaliser (murmur3's): every address bit moves every output bit.
  uint32_t x = address;
  x ^= x >> 16;
  x *= 0x85EBCA6Bu;
  x ^= x >> 13;
  x *= 0xC2B2AE35u;
  x ^= x >> 16;
  return static_cast<uint8_t>(x);
}

}  // namespace varnel::sim
