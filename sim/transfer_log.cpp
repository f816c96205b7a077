// Recording one transfer into the transcript.
#include "sim/transfer_log.h"

namespace varnel::sim {

TransferLog::TransferLog(Transcript& record, TransferKind kind, uint32_t address, uint32_t size, uint32_t loaderState)
    : transcript(record) {
  transcript.Update([&](TranscriptData& d) {
    TransferRecord transfer;
    transfer.connection = d.stats.connections;
    transfer.kind = kind;
    transfer.address = address;
    transfer.size = size;
    transfer.loaderState = loaderState;
    index = d.transfers.size();
    d.transfers.push_back(std::move(transfer));
  });
}

void TransferLog::AddBlock(const BlockRecord& block) {
  transcript.Update([&](TranscriptData& d) {
    if (index < d.transfers.size()) d.transfers[index].blocks.push_back(block);
  });
}

void TransferLog::SetAnswer(uint8_t answer) {
  transcript.Update([&](TranscriptData& d) {
    if (index < d.transfers.size() && !d.transfers[index].blocks.empty()) {
      d.transfers[index].blocks.back().answer = answer;
    }
  });
}

void TransferLog::MarkAnswerLost() {
  transcript.Update([&](TranscriptData& d) {
    if (index < d.transfers.size() && !d.transfers[index].blocks.empty()) {
      d.transfers[index].blocks.back().answerLost = true;
    }
  });
}

void TransferLog::AddProgramControl(uint8_t byte) {
  transcript.Update([&](TranscriptData& d) {
    if (index < d.transfers.size()) {
      d.transfers[index].programControls.push_back(byte);
    }
  });
}

void TransferLog::SetData(const std::vector<uint8_t>& data) {
  transcript.Update([&](TranscriptData& d) {
    if (index < d.transfers.size()) d.transfers[index].data = data;
  });
}

void TransferLog::SetResponse(uint8_t response) {
  transcript.Update([&](TranscriptData& d) {
    if (index < d.transfers.size()) d.transfers[index].response = response;
  });
}

}  // namespace varnel::sim
