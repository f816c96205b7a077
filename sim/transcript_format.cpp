// FormatTranscript: the readable transcript that varnel-sim writes, one
// connection at a time: line chunks with phase and speeds, then the parsed
// packets and transfers.
#include <cstdio>
#include <string>

#include "sim/transcript.h"

namespace varnel::sim {

namespace {

constexpr size_t kBytesShown = 48;  // bytes printed per chunk; the rest counted

std::string Hex(const std::vector<uint8_t>& bytes, size_t limit) {
  std::string text;
  char cell[4];
  for (size_t i = 0; i < bytes.size() && i < limit; ++i) {
    std::snprintf(cell, sizeof cell, "%02X ", bytes[i]);
    text += cell;
  }
  if (bytes.size() > limit) {
    text += "... (" + std::to_string(bytes.size()) + " bytes)";
  } else if (!text.empty()) {
    text.pop_back();
  }
  return text;
}

std::string ByteOrDash(const std::optional<uint8_t>& byte) {
  if (!byte) return "-";
  char cell[8];
  std::snprintf(cell, sizeof cell, "%02X", *byte);
  return cell;
}

void AppendChunk(const LineChunk& chunk, std::string* out) {
  char head[128];
  std::snprintf(head, sizeof head, "%s %-15s program %7u handset %7u%s  ",
                chunk.direction == Direction::kFromProgram ? "<-" : "->", PhaseName(chunk.phase), chunk.programSpeed,
                chunk.handsetSpeed, chunk.garbled ? " GARBLED" : "");
  *out += head + Hex(chunk.bytes, kBytesShown) + "\n";
}

void AppendTransfer(const TransferRecord& transfer, std::string* out) {
  char head[160];
  std::snprintf(head, sizeof head, "transfer %s address 0x%X size 0x%X state 0x%X response %s\n",
                TransferKindName(transfer.kind), transfer.address, transfer.size, transfer.loaderState,
                ByteOrDash(transfer.response).c_str());
  *out += head;
  for (const BlockRecord& block : transfer.blocks) {
    std::snprintf(head, sizeof head, "  block %u length 0x%X crc %s answer %s%s", block.number, block.length,
                  block.crcOk ? "ok" : "BAD", ByteOrDash(block.answer).c_str(), block.answerLost ? " LOST" : "");
    *out += head;
    if (block.noiseBefore > 0) {
      *out += " after " + std::to_string(block.noiseBefore) + " noise bytes";
    }
    if (block.stalled) *out += " STALLED";
    *out += "\n";
  }
  if (!transfer.programControls.empty()) {
    *out += "  program sent " + Hex(transfer.programControls, kBytesShown) + "\n";
  }
}

}  // namespace

std::string FormatTranscript(const TranscriptData& data, uint32_t connection) {
  std::string out = "== connection " + std::to_string(connection) + " ==\n";
  for (const LineChunk& chunk : data.chunks) {
    if (chunk.connection == connection) AppendChunk(chunk, &out);
  }
  for (const PacketRecord& record : data.packets) {
    if (record.connection != connection) continue;
    out += "packet " + Hex(record.raw, kBytesShown) + " response " + ByteOrDash(record.response) + "\n";
  }
  for (const TransferRecord& transfer : data.transfers) {
    if (transfer.connection == connection) AppendTransfer(transfer, &out);
  }
  return out;
}

}  // namespace varnel::sim
