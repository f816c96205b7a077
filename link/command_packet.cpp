// Loader command packets sent (their layout is format/command_packet.h's)
// and the one-byte responses read.
#include <cstdio>

#include "format/command_packet.h"
#include "link/link_protocol.h"

namespace varnel {

LinkStatus LinkProtocol::SendCommand(uint32_t code, uint32_t first, uint32_t second) {
  if (!port.IsOpen()) return kStatusPortClosed;
  uint8_t packet[kPacketMaxBytes];
  const size_t length = EncodePacket(code, first, second, packet);
  return WriteBytes(packet, static_cast<uint32_t>(length)) == kStatusOk ? kStatusOk : kStatusPacketWrite;
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
