// Where the handset's flash lives: the two 8 MiB banks, their sector
// boundaries, and the fill pattern of a fresh flash image. Pure functions,
// callable from any thread. The handset keeps its own model of the sectors
// rather than the program's (format/flash_bank.h): it is what catches a
// program that cuts its blocks wrongly, so it must not share a mistake with
// it. tests/sim_flash_image_test.cpp holds the two against each other.
#pragma once

#include <cstdint>
#include <optional>

namespace varnel::sim {

// One of the two flash banks, by its 0-based position in the image file.
struct FlashBank {
  uint32_t index = 0;  // 0 for the bank at 0x1000000, 1 for 0x2000000
  uint32_t base = 0;
};

inline constexpr uint32_t kBankCount = 2;
inline constexpr uint32_t kImageBytes = kBankCount * 0x800000u;

// The bank holding `address`, or nothing below the first bank or past the
// end of the second.
std::optional<FlashBank> FindBank(uint32_t address);

// True when `size` bytes from `address` lie inside one bank.
bool RegionInsideBank(uint32_t address, uint32_t size);

// Offset of `address` in the image file (bank 1 first, then bank 2).
// Precondition: FindBank(address) has a value.
uint32_t ImageOffset(uint32_t address);

// Bytes from the bank-relative address `relative` up to the next sector
// boundary strictly above it: never 0. Bank 1 has 8 KiB sectors in its first
// 64 KiB; bank 2 has them in its last 64 KiB, from 0x7F0000 on; all other
// sectors are 64 KiB.
uint32_t SectorRoom(uint32_t relative, const FlashBank& bank);

// The byte a fresh image holds at absolute flash `address`: a hash of the
// whole address, so a block read from or written to the wrong place differs.
uint8_t PatternByte(uint32_t address);

}  // namespace varnel::sim
