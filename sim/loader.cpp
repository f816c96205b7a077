// The loader's command loop: packet framing, the fault plan's say on each
// packet, and the commands that need no transfer.
#include "sim/loader.h"

#include <algorithm>
#include <array>
#include <vector>

#include "sim/block_receiver.h"
#include "format/command_packet.h"
#include "sim/dump_sender.h"
#include "sim/handset_responses.h"

namespace varnel::sim {

namespace {

// Line speeds the loader can switch to with 0x29.
constexpr std::array<uint32_t, 6> kLoaderSpeeds = {38400, 57600, 115200, 230400, 460800, 921600};
// Waiting for the next command has no end; the wait wakes up this often.
constexpr Millis kIdleSlice{1000};

void Count(HandsetSession& session, uint32_t HandsetStats::*counter) {
  session.transcript.Update([&](TranscriptData& d) { ++(d.stats.*counter); });
}

// Reads one packet; an impossible length byte is line noise and skipped.
LineResult ReadPacket(HandsetSession& session, std::vector<uint8_t>* raw) {
  HandsetLine& line = session.line;
  line.SetPhase(Phase::kLoaderCommand);
  uint8_t length = 0;
  for (;;) {
    LineResult result = line.ReadByte(&length, kIdleSlice);
    if (result == LineResult::kTimeout) continue;
    if (result != LineResult::kOk) return result;
    if (!PacketLengthValid(length)) {
      Count(session, &HandsetStats::junkBytes);
      continue;
    }
    raw->assign(size_t{length} + kPacketLengthBytes, 0);
    (*raw)[0] = length;
    result = line.ReadExact(raw->data() + kPacketLengthBytes, length, session.timing.answerTimeout);
    if (result == LineResult::kOk) return result;
    if (result != LineResult::kTimeout) return result;
    Count(session, &HandsetStats::junkBytes);  // a packet cut short
  }
}

// How many arguments each command takes: at least, at most.
bool ArgumentsFit(const CommandPacket& packet) {
  switch (packet.code) {
    case kCmdDisconnect: return packet.argumentCount == 0;
    case kCmdUpload: return packet.argumentCount <= 1;
    case kCmdLineSpeed:
    case kCmdState:
    case kCmdBlockSize: return packet.argumentCount == 1;
    case kCmdDump:
    case kCmdFlash: return packet.argumentCount >= 1;
    default: return true;
  }
}

uint8_t SetLoaderValue(HandsetSession& session, const CommandPacket& packet) {
  HandsetState& state = session.state;
  switch (packet.code) {
    case kCmdBlockSize:
      if (packet.first > kMaxBlockData) return kLoaderBadArgument;
      state.blockSize = packet.first;
      return kResponseOk;
    case kCmdState:
      if (packet.first != kStateFlash && packet.first != kStateDump && packet.first != kStateIdle) {
        return kLoaderBadArgument;
      }
      state.loaderState = packet.first;
      return kResponseOk;
    default: return kResponseNotImplemented;
  }
}

LineResult Respond(HandsetSession& session, uint8_t response) {
  session.transcript.Update([&](TranscriptData& d) {
    if (!d.packets.empty()) d.packets.back().response = response;
  });
  return session.line.WriteByte(response);
}

LineResult ChangeSpeed(HandsetSession& session, uint32_t speed) {
  if (std::find(kLoaderSpeeds.begin(), kLoaderSpeeds.end(), speed) == kLoaderSpeeds.end()) {
    return Respond(session, kLoaderBadArgument);
  }
  // The answer still goes out at the old speed; the switch follows it.
  LineResult result = Respond(session, kResponseOk);
  session.state.speed = speed;
  session.line.SetSpeed(speed);
  return result;
}

LineResult Execute(HandsetSession& session, const CommandPacket& packet, uint8_t refusal) {
  switch (packet.code) {
    case kCmdUpload: return ReceiveBlocks(session, TransferKind::Upload, 0, packet.first, refusal);
    case kCmdFlash: return ReceiveBlocks(session, TransferKind::Flash, packet.first, packet.second, refusal);
    case kCmdDump: return SendDump(session, packet.first, packet.second, refusal);
    default: break;
  }
  if (refusal != 0) return Respond(session, refusal);
  if (packet.code == kCmdLineSpeed) return ChangeSpeed(session, packet.first);
  return Respond(session, SetLoaderValue(session, packet));
}

LineResult Dispatch(HandsetSession& session, const std::vector<uint8_t>& raw) {
  CommandPacket packet;
  PacketDecode decode = DecodePacket(raw.data(), raw.size(), &packet);
  session.transcript.Update([&](TranscriptData& d) {
    d.packets.push_back(PacketRecord{d.stats.connections, raw, decode, packet, {}});
  });
  if (session.faults.SilenceCommand(packet.code)) return LineResult::kOk;
  if (packet.code == kCmdDisconnect && decode == PacketDecode::Ok && ArgumentsFit(packet)) {
    Count(session, &HandsetStats::disconnects);
    session.state.mode = HandsetMode::kOff;
    return LineResult::kOk;
  }
  uint8_t refusal = session.faults.CommandError(packet.code).value_or(0);
  if (refusal == 0 && (decode != PacketDecode::Ok || !ArgumentsFit(packet))) {
    refusal = kLoaderBadArgument;
  }
  return Execute(session, packet, refusal);
}

}  // namespace

LineResult RunLoader(HandsetSession& session) {
  session.line.SetSpeed(session.state.speed);
  while (session.state.mode == HandsetMode::kLoader) {
    std::vector<uint8_t> raw;
    LineResult result = ReadPacket(session, &raw);
    if (result == LineResult::kOk) result = Dispatch(session, raw);
    if (result != LineResult::kOk) return result;
  }
  return LineResult::kOk;
}

}  // namespace varnel::sim
