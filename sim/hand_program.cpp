// The program's side spoken by hand: just enough of the protocol to drive
// the simulated handset through a connection, a dump and a flash.
#include "sim/hand_program.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "format/crc16.h"
#include "format/wire_format.h"

namespace varnel::sim {

namespace {

// Resends of one block the hand program makes before it gives up.
constexpr uint32_t kMaxResends = 8;

void PutLe(uint32_t value, uint32_t bytes, std::vector<uint8_t>* out) {
  for (uint32_t i = 0; i < bytes; ++i) {
    out->push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
}

std::string HexByte(uint32_t value) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
  return text;
}

std::string Record(const char* type, uint32_t address, const uint8_t* data, uint32_t count) {
  std::vector<uint8_t> fields{static_cast<uint8_t>(count + kRecordCountOverhead)};
  for (uint32_t i = kRecordAddressBytes; i > 0; --i) {
    fields.push_back(static_cast<uint8_t>(address >> (8 * (i - 1))));
  }
  fields.insert(fields.end(), data, data + count);
  uint32_t sum = std::accumulate(fields.begin(), fields.end(), 0u);
  fields.push_back(static_cast<uint8_t>(~sum));
  std::string line = type;
  for (uint8_t byte : fields) line += HexByte(byte);
  return line + static_cast<char>(kRecordEnd);
}

}  // namespace

bool HandProgram::Open(const std::string& path, uint32_t speed) { return port.Open(path, speed); }

std::optional<uint8_t> HandProgram::ReadByte(std::chrono::milliseconds timeout) {
  std::vector<uint8_t> byte = port.Read(1, timeout);
  if (byte.empty()) return std::nullopt;
  return byte[0];
}

bool HandProgram::SkipUntil(uint8_t wanted) {
  const auto deadline = std::chrono::steady_clock::now() + kWait;
  while (std::chrono::steady_clock::now() < deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    std::optional<uint8_t> byte = ReadByte(left);
    if (!byte) return false;
    if (*byte == wanted) return true;
  }
  return false;
}

bool HandProgram::AwaitBootLine(std::string_view expected) {
  constexpr std::string_view kSpace = " \t\r\n";
  const auto deadline = std::chrono::steady_clock::now() + kWait;
  while (std::chrono::steady_clock::now() < deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    std::vector<uint8_t> bytes = port.ReadUntil(kLineEnd, left);
    if (bytes.empty() || bytes.back() != kLineEnd) return false;
    std::string_view line(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    size_t first = line.find_first_not_of(kSpace);
    if (first == std::string_view::npos) continue;
    line = line.substr(first, line.find_last_not_of(kSpace) - first + 1);
    if (line == expected) return true;
  }
  return false;
}

bool HandProgram::Handshake(SpeedSwitch speedSwitch) {
  if (!SkipUntil(kBootOffer) || !port.Write({kBootAnswer}) || !port.WriteText(kAtText)) {
    return false;
  }
  if (!AwaitBootLine(kOkLine) || !port.WriteText(kAtDownloadText) || !AwaitBootLine(kDownloadLine)) {
    return false;
  }
  return speedSwitch == SpeedSwitch::kForget || port.SetSpeed(kUploadSpeed);
}

std::optional<uint8_t> HandProgram::SendStageOne(const std::vector<uint8_t>& code) {
  for (const std::string& line : SRecords(code)) {
    if (!port.WriteText(line) || !SkipUntil(kRecordAck)) return std::nullopt;
  }
  return ReadByte();
}

bool HandProgram::Connect(uint32_t blockSize) {
  return Handshake(SpeedSwitch::kFollow) && SendStageOne({}) == kResponseOk &&
         Command(kCmdBlockSize, blockSize, 0) == kResponseOk;
}

bool HandProgram::SendPacket(uint8_t code, uint32_t first, uint32_t second) {
  return port.Write(Packet(code, first, second));
}

std::optional<uint8_t> HandProgram::Command(uint8_t code, uint32_t first, uint32_t second) {
  if (!SendPacket(code, first, second)) return std::nullopt;
  return ReadByte();
}

std::optional<uint8_t> HandProgram::SendBlocks(const std::vector<uint8_t>& data, uint32_t blockSize,
                                               std::vector<uint8_t>* answers) {
  if (ReadByte() != kAck) return std::nullopt;
  uint16_t number = kFirstBlockNumber;
  for (size_t at = 0; at < data.size(); ++number) {
    size_t n = std::min<size_t>(blockSize, data.size() - at);
    std::vector<uint8_t> part(data.begin() + static_cast<std::ptrdiff_t>(at),
                              data.begin() + static_cast<std::ptrdiff_t>(at + n));
    std::optional<uint8_t> answer;
    for (uint32_t sends = 0; sends <= kMaxResends; ++sends) {
      if (!port.Write(Block(number, part))) return std::nullopt;
      answer = ReadByte();
      if (!answer) return std::nullopt;
      answers->push_back(*answer);
      if (*answer != kNak && *answer != kSyn && *answer != kEtb) break;
    }
    if (answer != kAck) break;  // 0x14: the loader aborted
    at += n;
  }
  std::optional<uint8_t> response = ReadByte();
  if (response) answers->push_back(*response);
  return response;
}

std::optional<uint8_t> HandProgram::ReceiveDump(uint32_t size, std::vector<uint8_t>* data) {
  if (!port.Write({kAck})) return std::nullopt;
  uint32_t received = 0;
  do {
    std::optional<uint8_t> start = ReadByte();
    if (!start) return std::nullopt;
    if (*start != kStx) break;  // 0x14 in place of a block
    std::optional<std::vector<uint8_t>> block = ReadBlockAfterStart();
    if (!block) return std::nullopt;
    const uint8_t* header = block->data() + kBlockStartBytes;
    uint32_t length = header[2] | (header[3] << 8);
    const uint8_t* body = block->data() + kBlockHeaderBytes;
    uint16_t crc = static_cast<uint16_t>(body[length] | (body[length + 1] << 8));
    bool good = Crc16(body, static_cast<int32_t>(length)) == crc;
    if (good) {
      data->insert(data->end(), body, body + length);
      received += length;
    }
    if (!port.Write({good ? kAck : kSyn})) return std::nullopt;
  } while (received < size);
  return ReadByte();
}

std::optional<std::vector<uint8_t>> HandProgram::ReadBlock() {
  if (ReadByte() != kStx) return std::nullopt;
  return ReadBlockAfterStart();
}

std::optional<std::vector<uint8_t>> HandProgram::ReadBlockAfterStart() {
  std::vector<uint8_t> block{kStx};
  std::vector<uint8_t> header = port.Read(kBlockNumberBytes + kBlockLengthBytes, kWait);
  if (header.size() != kBlockNumberBytes + kBlockLengthBytes) return std::nullopt;
  uint32_t length = header[2] | (header[3] << 8);
  std::vector<uint8_t> body = port.Read(length + kBlockCrcBytes, kWait);
  if (body.size() != length + kBlockCrcBytes) return std::nullopt;
  block.insert(block.end(), header.begin(), header.end());
  block.insert(block.end(), body.begin(), body.end());
  return block;
}

std::vector<uint8_t> HandProgram::Packet(uint8_t code, uint32_t first, uint32_t second) {
  std::vector<uint8_t> packet{0, code};
  if (first != 0) PutLe(first, kPacketArgumentBytes, &packet);
  if (second != 0) PutLe(second, kPacketArgumentBytes, &packet);
  packet[0] = static_cast<uint8_t>(packet.size() - kPacketLengthBytes);
  return packet;
}

std::vector<uint8_t> HandProgram::Block(uint16_t number, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> block{kStx};
  PutLe(number, kBlockNumberBytes, &block);
  PutLe(static_cast<uint32_t>(data.size()), kBlockLengthBytes, &block);
  block.insert(block.end(), data.begin(), data.end());
  PutLe(Crc16(data.data(), static_cast<int32_t>(data.size())), kBlockCrcBytes, &block);
  return block;
}

std::vector<std::string> HandProgram::SRecords(const std::vector<uint8_t>& code) {
  std::vector<std::string> lines;
  uint32_t at = 0;
  do {
    uint32_t n = std::min<uint32_t>(kRecordDataBytes, static_cast<uint32_t>(code.size()) - at);
    lines.push_back(Record(kRecordDataType, kStageOneAddress + at, code.data() + at, n));
    at += n;
  } while (at < code.size());
  lines.push_back(Record(kRecordEndType, kStageOneAddress, nullptr, 0));
  return lines;
}

}  // namespace varnel::sim
