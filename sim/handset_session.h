// What the boot ROM and the loader work on during one connection: the line,
// the handset's lasting state (which survives the connection), its faults,
// its flash and the transcript. Used by the handset's thread only.
#pragma once

#include <chrono>
#include <cstdint>

#include "format/wire_format.h"
#include "sim/fault_book.h"
#include "sim/flash_image.h"
#include "sim/handset_line.h"
#include "sim/transcript.h"

namespace varnel::sim {

enum class HandsetMode {
  kBootRom,  // powered on: the boot ROM offers 0x81
  kLoader,   // stage one runs and takes command packets
  kOff,      // switched off by 0x13 until the port is closed
};

const char* HandsetModeName(HandsetMode mode);

// State that outlives a connection, as the handset itself keeps it.
struct HandsetState {
  HandsetMode mode = HandsetMode::kBootRom;
  uint32_t speed = kBootSpeed;         // the handset's own line speed
  uint32_t blockSize = kMaxBlockData;  // until 0x36 says otherwise
  uint32_t loaderState = 0;            // last value of command 0x31; 0 none
};

struct HandsetTiming {
  std::chrono::milliseconds offerInterval{500};  // between two 0x81 offers
  // Longest wait for the program inside a transfer (ready byte, block,
  // answer) and for the rest of a command packet; then the loader gives up.
  std::chrono::milliseconds answerTimeout{3000};
  // Longest wait for the next AT or S-record line; then back to power-on.
  std::chrono::milliseconds lineTimeout{10000};
};

struct HandsetSession {
  HandsetLine& line;
  HandsetState& state;
  FaultBook& faults;
  Transcript& transcript;
  FlashImage& image;
  const HandsetTiming& timing;
};

}  // namespace varnel::sim
