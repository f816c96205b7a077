// Transcript: everything that crossed the line, as the simulated handset saw
// it, plus parsed views for tests (command packets, blocks per transfer,
// stage one, counters). Thread-safe: the handset's thread records, any
// thread reads a copy or waits for a condition.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "format/command_packet.h"
#include "format/transfer_kind.h"

namespace varnel::sim {

// What the handset was doing when bytes crossed.
enum class Phase {
  kOff,            // powered off after 0x13: input is dropped
  kBootWait,       // offering 0x81, waiting for 0x7E
  kBootAt,         // reading the AT command lines
  kSRecords,       // reading stage one as S-records
  kLoaderCommand,  // the loader waiting for or reading a command packet
  kUploadBlocks,   // 0x14: ready byte, blocks, answers
  kDumpBlocks,     // 0x34: the program's 0x06, blocks, answers
  kFlashBlocks,    // 0x35: ready byte, blocks, answers
};

const char* PhaseName(Phase phase);

enum class Direction { kFromProgram, kToProgram };

// Whether bytes crossed intact or were garbled by a speed mismatch.
enum class Arrival { kIntact, kGarbled };

// A run of bytes in one direction with the same circumstances.
struct LineChunk {
  uint32_t connection = 0;  // 1 for the first time the port was opened
  Direction direction = Direction::kFromProgram;
  Phase phase = Phase::kOff;
  uint32_t programSpeed = 0;  // bit/s the program had set; 0 unknown
  uint32_t handsetSpeed = 0;  // bit/s the handset ran at
  bool garbled = false;       // the speeds differed: these are the bytes
                              // that arrived, not the ones sent
  std::vector<uint8_t> bytes;
};

struct PacketRecord {
  uint32_t connection = 0;
  std::vector<uint8_t> raw;  // length byte included
  PacketDecode decode = PacketDecode::Ok;
  CommandPacket packet;
  std::optional<uint8_t> response;  // the byte the loader answered with
};

struct BlockRecord {
  uint32_t number = 0;  // as on the line (16 bits)
  uint32_t length = 0;  // length field as on the line
  bool crcOk = false;   // received blocks: the CRC matched; dump: sent intact
  // Received blocks: the handset's answer. Dump: the program's answer.
  std::optional<uint8_t> answer;
  // Dump only: what the fault plan did to this send of the block.
  uint32_t noiseBefore = 0;  // noise bytes sent right before its 0x02
  bool stalled = false;      // the line went quiet part-way through it
  bool answerLost = false;   // its 0x06 was taken as lost: the block went again
};

struct TransferRecord {
  uint32_t connection = 0;
  TransferKind kind = TransferKind::Upload;
  uint32_t address = 0;                  // dump and flash
  uint32_t size = 0;                     // byte count of the command
  uint32_t loaderState = 0;              // the state value in force at the start
  std::vector<BlockRecord> blocks;       // every block that crossed, resends too
  std::vector<uint8_t> programControls;  // dump: 0x06/0x16/0x17/0x18 received
  std::vector<uint8_t> data;             // upload: the bytes accepted
  std::optional<uint8_t> response;       // the closing response byte, if sent
};

struct HandsetStats {
  uint32_t connections = 0;         // times the program opened the port
  uint32_t programHangUps = 0;      // times it closed the port
  uint32_t lineDrops = 0;           // hang-ups made by the fault plan
  uint32_t disconnects = 0;         // 0x13 packets
  uint32_t garbledFromProgram = 0;  // bytes garbled by a speed mismatch
  uint32_t garbledToProgram = 0;
  uint32_t junkBytes = 0;                 // bytes the loader could not frame
  uint32_t badBlocks = 0;                 // received blocks answered 0x15
  uint32_t oversizedBlocks = 0;           // longer than the announced block size
  uint32_t sectorCrossings = 0;           // flash blocks over a sector boundary
  uint32_t flashesOutsideFlashState = 0;  // 0x35 while the state was not 0x12
  uint32_t dumpsOutsideDumpState = 0;     // 0x34 while the state was not 0x18
  uint32_t transferTimeouts = 0;          // the program went quiet mid-transfer
  // Junk, noise and babble the fault plan sent to the program, in bytes
  // that went out (not those lost because the program stopped reading).
  uint32_t noiseSent = 0;
};

struct TranscriptData {
  std::vector<LineChunk> chunks;
  std::vector<std::string> atLines;  // boot ROM command lines, trimmed
  std::vector<PacketRecord> packets;
  std::vector<TransferRecord> transfers;
  std::vector<uint8_t> stageOne;        // code of the last S-record upload
  uint32_t records = 0;                 // S-record lines of the last upload
  std::optional<uint8_t> bootResponse;  // its final response
  HandsetStats stats;

  // The bytes from the program (or to it) in `phase`, joined in order.
  std::vector<uint8_t> Received(Phase phase) const;
  std::vector<uint8_t> Sent(Phase phase) const;
  // Transfers of one kind, in order.
  std::vector<TransferRecord> Transfers(TransferKind kind) const;
  // The length field of every block of every transfer of `kind`, resends too.
  std::vector<uint32_t> BlockLengths(TransferKind kind) const;
  // The data of every upload that ended with response 0: stage two's chunks.
  std::vector<std::vector<uint8_t>> UploadedChunks() const;
  // The packets with command code `code`, in order.
  std::vector<PacketRecord> Packets(uint8_t code) const;
};

class Transcript {
 public:
  TranscriptData Snapshot() const;
  void Clear();

  // Applies `change` under the lock and wakes waiters.
  void Update(const std::function<void(TranscriptData&)>& change);

  // Appends bytes, joining them to the last chunk when the circumstances
  // match. The connection number is the current one.
  void RecordBytes(Direction direction, Phase phase, uint32_t programSpeed, uint32_t handsetSpeed, Arrival arrival,
                   const uint8_t* bytes, size_t count);

  // Waits until `condition` holds on the live data (checked under the lock
  // after every change), at most `timeout`. Returns whether it held.
  bool WaitFor(const std::function<bool(const TranscriptData&)>& condition, std::chrono::milliseconds timeout) const;

 private:
  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  TranscriptData data;
};

// A readable transcript of one connection's bytes, packets and transfers.
std::string FormatTranscript(const TranscriptData& data, uint32_t connection);

}  // namespace varnel::sim
