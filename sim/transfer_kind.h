// The three block transfers the loader runs: stage-two chunks and flash
// blocks come from the program, dump blocks go to it.
#pragma once

namespace varnel::sim {

enum class TransferKind {
  kUpload,  // command 0x14: a stage-two chunk, program to handset
  kDump,    // command 0x34: flash contents, handset to program
  kFlash,   // command 0x35: flash blocks, program to handset
};

const char* TransferKindName(TransferKind kind);

}  // namespace varnel::sim
