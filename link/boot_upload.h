// BootUpload: the boot ROM's dialogue and the upload of the loader's two
// stages (unit Serial): stage one as S-record text at 115200 bit/s after
// the handshake, stage two as command-opened block uploads.
#pragma once

#include <cstdint>
#include <memory>

#include "link/block_sender.h"
#include "link/link_line.h"
#include "link/link_owner.h"
#include "link/loader_commands.h"

namespace varnel {

class LoaderPackage;

// Each later step of the boot dialogue ("OK", "Download Initiated", each
// record's ".") ends with Timeout after this long, however many other
// bytes or lines keep arriving meanwhile. The boot ROM's offer is waited
// for as long as bytes keep coming (and 2 s of silence), until a stop.
inline constexpr uint32_t kBootStepLimitMs = 10000;
// Bytes that keep arriving this long without the boot ROM's offer among
// them get a grey line saying what is likely wrong, and another every
// kStrayBytesRepeatMs while they keep coming.
inline constexpr uint32_t kStrayBytesNoticeMs = 3000;
inline constexpr uint32_t kStrayBytesRepeatMs = 30000;
// The longest line of the boot dialogue, less terminator and NUL.
inline constexpr uint32_t kLineRoom = kReceiveBufferBytes - 2;
// The pause between two lines of the boot dialogue that are not the one
// waited for.
inline constexpr uint32_t kLinePauseMs = 1;

// The link's times that tests may shorten.
struct LinkTiming {
  uint32_t bootStepLimitMs = kBootStepLimitMs;
};

class BootUpload {
 public:
  BootUpload(LinkLine& line, LinkOwner& owner, LoaderCommands& commands, BlockSender& sender, LinkTiming timing);

  // Stage one from `package`, sent as S-records after the handshake.
  [[nodiscard]] LinkStatus UploadStageOne(LoaderPackage* package);
  // Stage two: each chunk of `package` after stage one, uploaded with
  // command 0x14; a chunk that failed ends the connect.
  [[nodiscard]] LinkStatus UploadStageTwo(LoaderPackage* package);
  // Sends S-record text to the boot ROM after its handshake; tells the
  // owner when the boot ROM's offer has arrived.
  [[nodiscard]] LinkStatus SendSRecords(const char* text, uint32_t total);
  // Skips lines until one reads `expected` after trimming white space;
  // kStatusTimeout when a line takes too long, the step's limit has passed,
  // or a stop is asked for.
  [[nodiscard]] LinkStatus WaitForText(const char* expected, uint8_t terminator);

 private:
  // Reads bytes into `buffer` up to and including `terminator` (at most
  // `room` before it), then a NUL. 0; kStatusTimeout, kStatusRead or
  // kStatusTextTooLong, each reported.
  LinkStatus ReadUntil(uint8_t* buffer, uint32_t room, uint8_t terminator, uint32_t* count, uint32_t timeoutMs);
  // Reads single bytes (2000 ms each), dropping all but `wanted`, for at
  // most the boot step's limit. With `strayNotice` (the offer) there is no
  // limit: bytes dropped for kStrayBytesNoticeMs are told with that text
  // (its %u the count), again every kStrayBytesRepeatMs, and before a
  // wait that fails when not told yet.
  LinkStatus AwaitByte(uint8_t wanted, uint16_t strayNotice = 0);
  // The boot ROM's offer, 0x7E and the two AT exchanges at 38400 bit/s.
  LinkStatus BootHandshake();

  LinkLine& line;
  LinkOwner& owner;
  LoaderCommands& commands;
  BlockSender& sender;
  LinkTiming timing;
  std::unique_ptr<uint8_t[]> lineBuffer;  // a line of the dialogue, or a record
};

}  // namespace varnel
