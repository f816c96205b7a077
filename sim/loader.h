// The loader (stage one, then stage two) on the handset: reads command
// packets and answers each with one response byte, running the block
// transfers of 0x14, 0x34 and 0x35. Handset's thread only.
#pragma once

#include "sim/handset_session.h"

namespace varnel::sim {

// Serves command packets until the disconnect packet 0x13 (the mode becomes
// kOff and kOk is returned), a hang-up, an interrupt, or kDropped from the
// fault plan.
LineResult RunLoader(HandsetSession& session);

}  // namespace varnel::sim
