// Loader command packets: length byte, command code, up to two 32-bit
// little-endian arguments, each left out when it is 0; and the one-byte
// responses.
#include <cstring>

#include "link/serial_link.h"
#include "format/byte_order.h"

namespace varnel {
LinkStatus SerialLink::SendCommand(uint32_t code, uint32_t first, uint32_t second) {
  status = kStatusOk;
  if (!port.IsOpen()) {
    status = kStatusPortClosed;
    return status;
  }
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
    length = count + 1;
  }
  if (WriteBytes(packet, length) != kStatusOk) status = kStatusPacketWrite;
  return status;
}

LinkStatus SerialLink::ReadResponse() {
  uint32_t got = 0;
  if (WaitAndRead(cursor, 1, &got, kByteTimeoutMs, UserStop::Ignored) == kStatusOk && got == 0) {
    status = kStatusTimeout;  // the link is ending: no response
  }
  if (status != kStatusOk) return ReportError(kUnitSerial, 442, Stop::No);
  return TakeResponse(*cursor);
}

LinkStatus SerialLink::TakeResponse(uint8_t response) {
  if (response != kResponseOk) {
    char line[text::kTextCapacity + 1];
    std::snprintf(line, sizeof line, "Response [0x%x]", response);
    Log(line, kGrey);
  }
  status = response;
  return status;
}

LinkStatus SerialLink::SetLoaderState(uint32_t part1, uint32_t part2) {
  if (SendCommand(kCmdState, part1 | part2, 0) != kStatusOk) {
    return ReportError(kUnitSerial, 815, Stop::No);
  }
  return ReadResponse();
}

}  // namespace varnel
