// Loader command packets sent (their layout is format/command_packet.h's)
// and the one-byte responses read.
#include "link/loader_commands.h"

#include <cstdio>

#include "format/command_packet.h"
#include "format/wire_format.h"

namespace varnel {

LinkStatus LoaderCommands::SendCommand(uint32_t code, uint32_t first, uint32_t second) {
  if (!line.IsOpen()) return kStatusPortClosed;
  uint8_t packet[kPacketMaxBytes];
  const size_t length = EncodePacket(code, first, second, packet);
  return line.WriteBytes(packet, static_cast<uint32_t>(length)) == kStatusOk ? kStatusOk : kStatusPacketWrite;
}

LinkStatus LoaderCommands::ReadResponse() {
  uint8_t response = 0;
  uint32_t got = 0;
  LinkStatus status = line.ReadExact(&response, 1, &got, kByteTimeoutMs, StopsWait::LinkOnly);
  if (status == kStatusOk && got == 0) status = kStatusTimeout;  // the link is ending: no response
  if (status != kStatusOk) return line.ReportError(status, kUnitSerial, 442, StopRequest::No);
  return TakeResponse(response);
}

LinkStatus LoaderCommands::TakeResponse(uint8_t response) {
  if (response != kResponseOk) {
    char shown[text::kTextCapacity + 1];
    std::snprintf(shown, sizeof shown, "Response [0x%x]", response);
    line.Log(shown, kGrey);
  }
  return response;
}

LinkStatus LoaderCommands::SetLoaderState(uint32_t part1, uint32_t part2) {
  const LinkStatus sent = SendCommand(kCmdState, part1 | part2, 0);
  if (sent != kStatusOk) return line.ReportError(sent, kUnitSerial, 815, StopRequest::No);
  return ReadResponse();
}

LinkStatus LoaderCommands::ClosePort() {
  LinkStatus status = kStatusOk;
  if (line.LoaderActive()) {
    status = SendCommand(kCmdDisconnect, 0, 0);
    line.SetLoaderActive(false);
  }
  line.Close();
  return status;
}

}  // namespace varnel
