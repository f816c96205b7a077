// The three block transfers of the loader's protocol: stage-two chunks and
// flash blocks go from the program to the handset, dump blocks come back.
// One name for the link's requests and the simulated handset's records.
#pragma once

namespace varnel {

enum class TransferKind {
  Upload,  // command 0x14: a stage-two chunk, program to handset
  Dump,    // command 0x34: flash contents, handset to program
  Flash,   // command 0x35: flash blocks, program to handset
};

// "upload", "dump" or "flash", for transcripts and messages.
const char* TransferKindName(TransferKind kind);

}  // namespace varnel
