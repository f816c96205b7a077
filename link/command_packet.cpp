// Loader command packets: length byte, command code, up to two 32-bit
// little-endian arguments, each left out when it is 0; and the one-byte
// responses.
#include <cstring>

#include "format/byte_order.h"
#include "link/link_protocol.h"

namespace varnel {

LinkStatus LinkProtocol::SendCommand(uint32_t code, uint32_t first, uint32_t second) {
  if (!port.IsOpen()) return kStatusPortClosed;
  uint8_t packet[kPacketMaxBytes] = {};
  uint32_t length = 0;
  if (code == kCodeAtText || code == kCodeAtDownloadText) {
    const char* text = code == kCodeAtText ? kAtText : kAtDownloadText;
    length = static_cast<uint32_t>(std::strlen(text));
    std::memcpy(packet, text, length);
  } else {
    uint32_t count = 1;  // the code byte
    if (first != 0) {
      StoreLittleEndian32(packet + kPacketHeaderBytes, first);
      count += kPacketArgumentBytes;
    }
    if (second != 0) {
      StoreLittleEndian32(packet + kPacketHeaderBytes + kPacketArgumentBytes, second);
      count += kPacketArgumentBytes;
    }
    packet[0] = static_cast<uint8_t>(count);
    packet[1] = static_cast<uint8_t>(code & 0xFF);
    length = count + kPacketLengthBytes;
  }
  return WriteBytes(packet, length) == kStatusOk ? kStatusOk : kStatusPacketWrite;
}

LinkStatus LinkProtocol::ReadResponse() {
  uint8_t response = 0;
  uint32_t got = 0;
  LinkStatus status = ReadExact(&response, 1, &got, kByteTimeoutMs, StopsWait::LinkOnly);
  if (status == kStatusOk && got == 0) status = kStatusTimeout;  // the link is ending: no response
  if (status != kStatusOk) return ReportError(status, kUnitSerial, 442, StopRequest::No);
  return TakeResponse(response);
}

LinkStatus LinkProtocol::TakeResponse(uint8_t response) {
  if (response != kResponseOk) {
    char line[text::kTextCapacity + 1];
    std::snprintf(line, sizeof line, "Response [0x%x]", response);
    Log(line, kGrey);
  }
  return response;
}

LinkStatus LinkProtocol::SetLoaderState(uint32_t part1, uint32_t part2) {
  const LinkStatus sent = SendCommand(kCmdState, part1 | part2, 0);
  if (sent != kStatusOk) return ReportError(sent, kUnitSerial, 815, StopRequest::No);
  return ReadResponse();
}

}  // namespace varnel
