// The handset's boot ROM: offers 0x81 at 38400 bit/s until the program
// answers 0x7E, answers "AT" with "OK" and "AT**3" with "Download
// Initiated", switches to 115200 bit/s and takes stage one as S-records,
// one "." per line and a final response byte. Handset's thread only.
#pragma once

#include "sim/handset_session.h"

namespace varnel::sim {

// Runs the boot ROM once. kOk when the upload ended: with response 0 the
// mode is then kLoader; after a bad upload the boot ROM starts over. Other
// results come from the line (kTimeout: a line did not come in time).
LineResult RunBootRom(HandsetSession& session);

}  // namespace varnel::sim
