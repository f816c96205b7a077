// Command packets: writing them (the program) and reading them (the
// simulated handset's loader).
#include "format/command_packet.h"

#include <cstring>

#include "format/byte_order.h"

namespace varnel {

namespace {

constexpr uint32_t kMaxArguments = 2;
constexpr uint32_t kCodeBytes = kPacketHeaderBytes - kPacketLengthBytes;

uint32_t ArgumentsOf(uint8_t length) { return (length - kCodeBytes) / kPacketArgumentBytes; }

uint32_t LittleEndian32(const uint8_t* bytes) {
  uint32_t value = 0;
  for (uint32_t i = kPacketArgumentBytes; i > 0; --i) value = (value << 8) | bytes[i - 1];
  return value;
}

}  // namespace

size_t EncodePacket(uint32_t code, uint32_t first, uint32_t second, uint8_t (&bytes)[kPacketMaxBytes]) {
  std::memset(bytes, 0, sizeof bytes);
  if (code == kCodeAtText || code == kCodeAtDownloadText) {
    const char* text = code == kCodeAtText ? kAtText : kAtDownloadText;
    const size_t length = std::strlen(text);
    std::memcpy(bytes, text, length);
    return length;
  }
  uint32_t count = kCodeBytes;
  if (first != 0) {
    StoreLittleEndian32(bytes + kPacketHeaderBytes, first);
    count += kPacketArgumentBytes;
  }
  if (second != 0) {
    StoreLittleEndian32(bytes + kPacketHeaderBytes + kPacketArgumentBytes, second);
    count += kPacketArgumentBytes;
  }
  bytes[0] = static_cast<uint8_t>(count);
  bytes[1] = static_cast<uint8_t>(code & 0xFF);
  return count + kPacketLengthBytes;
}

bool PacketLengthValid(uint8_t length) {
  if (length < kCodeBytes) return false;
  const uint32_t argumentBytes = length - kCodeBytes;
  return argumentBytes % kPacketArgumentBytes == 0 && argumentBytes / kPacketArgumentBytes <= kMaxArguments;
}

PacketDecode DecodePacket(const uint8_t* bytes, size_t count, CommandPacket* packet) {
  if (count < kPacketHeaderBytes || !PacketLengthValid(bytes[0]) || count != size_t{bytes[0]} + kPacketLengthBytes) {
    return PacketDecode::BadLength;
  }
  CommandPacket decoded;
  decoded.code = bytes[kPacketLengthBytes];
  decoded.argumentCount = ArgumentsOf(bytes[0]);
  const uint8_t* arguments = bytes + kPacketHeaderBytes;
  if (decoded.argumentCount >= 1) decoded.first = LittleEndian32(arguments);
  if (decoded.argumentCount == kMaxArguments) decoded.second = LittleEndian32(arguments + kPacketArgumentBytes);
  *packet = decoded;
  const bool zero = (decoded.argumentCount >= 1 && decoded.first == 0) ||
                    (decoded.argumentCount == kMaxArguments && decoded.second == 0);
  return zero ? PacketDecode::ZeroArgument : PacketDecode::Ok;
}

}  // namespace varnel
