// The loader's sending side of a block transfer: the dump (command 0x34).
// Waits for the program's 0x06, sends the region in blocks of the announced
// block size, follows the program's answer to each (0x06 next, 0x16/0x17
// again, 0x18 abandon) and ends with the response byte. Handset's thread only.
#pragma once

#include <cstdint>

#include "sim/handset_session.h"

namespace varnel::sim {

// Runs one dump of `size` bytes from flash `address` after its command
// packet. A non-zero `refusal`, or a region outside the banks, is answered
// after the program's 0x06 with 0x14 in place of a block, then that response
// byte. A size of 0 sends one empty block. Results as ReceiveBlocks.
LineResult SendDump(HandsetSession& session, uint32_t address, uint32_t size, uint8_t refusal);

}  // namespace varnel::sim
