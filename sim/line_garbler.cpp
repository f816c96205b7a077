// Speed-mismatch garbling.
#include "sim/line_garbler.h"

namespace varnel::sim {

bool SpeedsMatch(uint32_t programSpeed, uint32_t handsetSpeed) {
  return programSpeed != 0 && programSpeed == handsetSpeed;
}

uint8_t GarbleByte(uint8_t byte, uint32_t senderSpeed, uint32_t receiverSpeed) {
  // The receiver samples the sender's bits at the wrong instants; which bits
  // it catches depends on the byte and on both rates.
  uint32_t mix = byte ^ (byte >> 4) ^ (senderSpeed / 300) ^ (receiverSpeed / 1200);
  return static_cast<uint8_t>(kGarbageBase | (mix & kGarbageMask));
}

}  // namespace varnel::sim
