// Command packet decoding on the handset's side.
#include "sim/command_packet.h"

#include "format/wire_format.h"

namespace varnel::sim {

namespace {

constexpr uint32_t kMaxArguments = 2;

uint32_t ArgumentsOf(uint8_t length) {
  return (length - (kPacketHeaderBytes - kPacketLengthBytes)) /
         kPacketArgumentBytes;
}

uint32_t LittleEndian32(const uint8_t* bytes) {
  uint32_t value = 0;
  for (uint32_t i = kPacketArgumentBytes; i > 0; --i) {
    value = (value << 8) | bytes[i - 1];
  }
  return value;
}

}  // namespace

bool PacketLengthValid(uint8_t length) {
  uint32_t codeBytes = kPacketHeaderBytes - kPacketLengthBytes;
  if (length < codeBytes) return false;
  uint32_t argumentBytes = length - codeBytes;
  return argumentBytes % kPacketArgumentBytes == 0 &&
         argumentBytes / kPacketArgumentBytes <= kMaxArguments;
}

PacketDecode DecodePacket(const uint8_t* bytes, size_t count,
                          CommandPacket* packet) {
  if (count < kPacketHeaderBytes || !PacketLengthValid(bytes[0]) ||
      count != size_t{bytes[0]} + kPacketLengthBytes) {
    return PacketDecode::kBadLength;
  }
  CommandPacket decoded;
  decoded.code = bytes[kPacketLengthBytes];
  decoded.argumentCount = ArgumentsOf(bytes[0]);
  const uint8_t* arguments = bytes + kPacketHeaderBytes;
  if (decoded.argumentCount >= 1) decoded.first = LittleEndian32(arguments);
  if (decoded.argumentCount == kMaxArguments) {
    decoded.second = LittleEndian32(arguments + kPacketArgumentBytes);
  }
  *packet = decoded;
  bool zero = (decoded.argumentCount >= 1 && decoded.first == 0) ||
              (decoded.argumentCount == kMaxArguments && decoded.second == 0);
  return zero ? PacketDecode::kZeroArgument : PacketDecode::kOk;
}

}  // namespace varnel::sim
