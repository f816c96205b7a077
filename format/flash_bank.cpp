// Flash banks and their sector map.
#include "format/flash_bank.h"

#include "format/wire_format.h"

namespace varnel {
namespace {

constexpr uint32_t kBank1SmallSectorsEnd = 0x10000;     // bank-relative
constexpr uint32_t kBank2SmallSectorsStart = 0x7F0000;  // from this address on

}  // namespace

bool FindFlashBank(uint32_t address, FlashBank* bank) {
  if (address >= kBank2Base) {
    *bank = {2, kBank2Base};
  } else if (address >= kBank1Base) {
    *bank = {1, kBank1Base};
  } else {
    return false;
  }
  return true;
}

bool FitsInBank(uint32_t relative, uint64_t length) { return static_cast<uint64_t>(relative) + length <= kBankSize; }

uint32_t SectorRoom(uint32_t relative, const FlashBank& bank) {
  bool small = bank.number == 1 ? relative < kBank1SmallSectorsEnd : relative >= kBank2SmallSectorsStart;
  uint32_t sector = small ? kSmallSector : kLargeSector;
  return sector - relative % sector;
}

}  // namespace varnel
