// LoaderCommands: the loader's command packets on the line (their layout is
// format/command_packet.h's) and its one-byte responses (unit Serial), and
// the close of a line with the loader running, which disconnects it first.
#pragma once

#include <cstdint>

#include "link/link_line.h"

namespace varnel {

class LoaderCommands {
 public:
  explicit LoaderCommands(LinkLine& linkLine) : line(linkLine) {}

  // Writes a command packet, or the AT text of kCodeAtText or
  // kCodeAtDownloadText. 0, kStatusPortClosed or kStatusPacketWrite; never
  // reported.
  [[nodiscard]] LinkStatus SendCommand(uint32_t code, uint32_t first, uint32_t second);
  // Reads the loader's one-byte response and returns it; a non-zero byte
  // is logged in grey as "Response [0x%x]". A missing byte is reported
  // (kStatusTimeout). The user's stop does not cut this wait short: a
  // transfer that was stopped still hears the loader's answer.
  [[nodiscard]] LinkStatus ReadResponse();
  // Logs a non-zero response byte read elsewhere and returns it as a
  // status.
  LinkStatus TakeResponse(uint8_t response);
  // Command 0x31 with `part1 | part2`, then its response.
  [[nodiscard]] LinkStatus SetLoaderState(uint32_t part1, uint32_t part2);
  // Sends the disconnect packet to an active loader, then closes the port
  // and logs "Com port closed". Harmless when closed. 0, or the packet's
  // failure.
  LinkStatus ClosePort();

 private:
  LinkLine& line;
};

}  // namespace varnel
