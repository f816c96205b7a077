// TransferLog: the transcript's record of one block transfer, filled in as
// the loader runs it (blocks, the program's control bytes, the response).
// Handset's thread only; the transcript itself is thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/transcript.h"

namespace varnel::sim {

class TransferLog {
 public:
  TransferLog(Transcript& record, TransferKind kind, uint32_t address, uint32_t size, uint32_t loaderState);

  void AddBlock(const BlockRecord& block);
  // The answer to the block added last.
  void SetAnswer(uint8_t answer);
  // Dump: that answer (a 0x06) was taken as lost on the line.
  void MarkAnswerLost();
  void AddProgramControl(uint8_t byte);
  void SetData(const std::vector<uint8_t>& data);
  void SetResponse(uint8_t response);

 private:
  Transcript& transcript;
  size_t index = 0;  // of this transfer in TranscriptData::transfers
};

}  // namespace varnel::sim
