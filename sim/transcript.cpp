// Transcript recording, snapshots, waiting, and the parsed views.
#include "sim/transcript.h"

#include "format/wire_format.h"

namespace varnel::sim {

namespace {

std::vector<uint8_t> Joined(const std::vector<LineChunk>& chunks, Direction direction, Phase phase) {
  std::vector<uint8_t> bytes;
  for (const LineChunk& chunk : chunks) {
    if (chunk.direction == direction && chunk.phase == phase) {
      bytes.insert(bytes.end(), chunk.bytes.begin(), chunk.bytes.end());
    }
  }
  return bytes;
}

}  // namespace

const char* PhaseName(Phase phase) {
  switch (phase) {
    case Phase::kOff: return "off";
    case Phase::kBootWait: return "boot-wait";
    case Phase::kBootAt: return "boot-at";
    case Phase::kSRecords: return "srecords";
    case Phase::kLoaderCommand: return "loader-command";
    case Phase::kUploadBlocks: return "upload-blocks";
    case Phase::kDumpBlocks: return "dump-blocks";
    case Phase::kFlashBlocks: return "flash-blocks";
  }
  return "unknown";
}

std::vector<uint8_t> TranscriptData::Received(Phase phase) const {
  return Joined(chunks, Direction::kFromProgram, phase);
}

std::vector<uint8_t> TranscriptData::Sent(Phase phase) const { return Joined(chunks, Direction::kToProgram, phase); }

std::vector<TransferRecord> TranscriptData::Transfers(TransferKind kind) const {
  std::vector<TransferRecord> found;
  for (const TransferRecord& transfer : transfers) {
    if (transfer.kind == kind) found.push_back(transfer);
  }
  return found;
}

std::vector<uint32_t> TranscriptData::BlockLengths(TransferKind kind) const {
  std::vector<uint32_t> lengths;
  for (const TransferRecord& transfer : transfers) {
    if (transfer.kind != kind) continue;
    for (const BlockRecord& block : transfer.blocks) {
      lengths.push_back(block.length);
    }
  }
  return lengths;
}

std::vector<std::vector<uint8_t>> TranscriptData::UploadedChunks() const {
  std::vector<std::vector<uint8_t>> chunksAccepted;
  for (const TransferRecord& transfer : transfers) {
    if (transfer.kind == TransferKind::Upload && transfer.response == kResponseOk) {
      chunksAccepted.push_back(transfer.data);
    }
  }
  return chunksAccepted;
}

std::vector<PacketRecord> TranscriptData::Packets(uint8_t code) const {
  std::vector<PacketRecord> found;
  for (const PacketRecord& record : packets) {
    if (record.decode != PacketDecode::BadLength && record.packet.code == code) {
      found.push_back(record);
    }
  }
  return found;
}

TranscriptData Transcript::Snapshot() const {
  std::lock_guard lock(mutex);
  return data;
}

void Transcript::Clear() {
  {
    std::lock_guard lock(mutex);
    HandsetStats kept = data.stats;
    data = TranscriptData{};
    // Connection numbers keep counting so later chunks stay distinguishable.
    data.stats.connections = kept.connections;
  }
  changed.notify_all();
}

void Transcript::Update(const std::function<void(TranscriptData&)>& change) {
  {
    std::lock_guard lock(mutex);
    change(data);
  }
  changed.notify_all();
}

void Transcript::RecordBytes(Direction direction, Phase phase, uint32_t programSpeed, uint32_t handsetSpeed,
                             Arrival arrival, const uint8_t* bytes, size_t count) {
  if (count == 0) return;
  bool garbled = arrival == Arrival::kGarbled;
  Update([&](TranscriptData& d) {
    uint32_t connection = d.stats.connections;
    bool join = !d.chunks.empty();
    if (join) {
      const LineChunk& last = d.chunks.back();
      join = last.connection == connection && last.direction == direction && last.phase == phase &&
             last.programSpeed == programSpeed && last.handsetSpeed == handsetSpeed && last.garbled == garbled;
    }
    if (!join) {
      d.chunks.push_back(LineChunk{connection, direction, phase, programSpeed, handsetSpeed, garbled, {}});
    }
    d.chunks.back().bytes.insert(d.chunks.back().bytes.end(), bytes, bytes + count);
    if (garbled) {
      uint32_t& counter = direction == Direction::kFromProgram ? d.stats.garbledFromProgram : d.stats.garbledToProgram;
      counter += static_cast<uint32_t>(count);
    }
  });
}

bool Transcript::WaitFor(const std::function<bool(const TranscriptData&)>& condition,
                         std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex);
  return changed.wait_for(lock, timeout, [&] { return condition(data); });
}

}  // namespace varnel::sim
