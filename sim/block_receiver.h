// The loader's receiving side of a block transfer: stage-two chunks
// (command 0x14) and flash blocks (command 0x35). Sends the ready byte,
// checks every block (number, length against the announced block size, CRC,
// sector bounds when flashing), answers it, stores it, and ends with the
// response byte. Handset's thread only.
#pragma once

#include <cstdint>

#include "sim/handset_session.h"

namespace varnel::sim {

// Runs one transfer of `size` bytes after its command packet. `address` is
// the flash address for kFlash (ignored for kUpload). A non-zero `refusal`
// is sent in place of the ready byte and nothing else happens. kOk when the
// transfer ended (well or not) with the line still up; kDropped when the
// fault plan hangs up; otherwise the line's result.
LineResult ReceiveBlocks(HandsetSession& session, TransferKind kind, uint32_t address, uint32_t size, uint8_t refusal);

}  // namespace varnel::sim
