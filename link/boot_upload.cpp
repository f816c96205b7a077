// The boot ROM dialogue and the upload of the two loader stages: stage one
// as S-records at 115200 bit/s, stage two as command-opened block uploads.
#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

#include "link/serial_link.h"
#include "port/tick_clock.h"
#include "format/byte_order.h"
#include "format/loader_package.h"
#include "format/srecord_format.h"

namespace varnel {
namespace {

constexpr uint32_t kSpeedSwitchDelayMs = 50;
constexpr uint32_t kRecordProgressUnit = 4;

std::string_view Trimmed(const char* text) {
  std::string_view view(text);
  while (!view.empty() && std::isspace(static_cast<unsigned char>(view.front()))) view.remove_prefix(1);
  while (!view.empty() && std::isspace(static_cast<unsigned char>(view.back()))) view.remove_suffix(1);
  return view;
}


}  // namespace

LinkStatus SerialLink::ReadUntil(uint8_t* buffer, uint32_t room, uint8_t terminator,
                                 uint32_t* count, uint32_t timeoutMs) {
  status = kStatusOk;
  *count = 0;
  const uint32_t start = TickCount();
  uint32_t n = 0;
  for (;;) {
    if (TickCount() - start > timeoutMs) {
      status = kStatusTimeout;
      return ReportError(kUnitSerial, 350, Stop::No);
    }
    uint32_t queued = 0;
    GetQueuedCount(&queued);
    if (queued == 0) {
      SleepMs(kPollIntervalMs);
      if (StopAsked()) break;
      continue;
    }
    uint32_t got = 0;
    if (ReadExact(buffer + n, 1, &got, kByteTimeoutMs) != kStatusOk || got == 0) {
      status = kStatusRead;
      return ReportError(kUnitSerial, 360, Stop::No);
    }
    uint8_t byte = buffer[n++];
    if (byte == terminator) break;
    if (n > room) {
      status = kStatusTextTooLong;
      return ReportError(kUnitSerial, 376, Stop::No);
    }
    if (StopAsked()) break;
  }
  *count = n;
  buffer[n] = '\0';
  return status;
}

LinkStatus SerialLink::WaitForText(const char* expected, uint8_t terminator) {
  status = kStatusOk;
  cursor = receiveBuffer.get();
  cursorRoom = kLineRoom;
  const uint32_t start = TickCount();
  for (;;) {
    uint32_t count = 0;
    cursor[0] = '\0';
    if (ReadUntil(cursor, cursorRoom, terminator, &count, kByteTimeoutMs) == kStatusTimeout) {
      return ReportError(kUnitSerial, 420, Stop::No);
    }
    if (Trimmed(reinterpret_cast<const char*>(cursor)) == expected) return status;
    // Other lines are skipped, but not for ever, and not after a stop.
    if (StopAsked() || TickCount() - start > bootStepLimitMs) {
      status = kStatusTimeout;
      return ReportError(kUnitSerial, 420, Stop::No);
    }
    SleepMs(kPollIntervalMs);
  }
}

LinkStatus SerialLink::AwaitByte(uint8_t wanted) {
  const uint32_t start = TickCount();
  uint32_t got = 0;
  for (;;) {
    if (ReadExact(cursor, 1, &got, kByteTimeoutMs) != kStatusOk || got == 0) {
      if (status == kStatusOk) status = kStatusTimeout;  // a stop ended the wait
      return status;
    }
    if (*cursor == wanted) return status;
    // Other bytes are dropped, but not for ever, and not after a stop.
    if (StopAsked() || TickCount() - start > bootStepLimitMs) {
      status = kStatusTimeout;
      return status;
    }
  }
}

LinkStatus SerialLink::BootHandshake() {
  if (AwaitByte(kBootOffer) != kStatusOk) return ReportError(kUnitSerial, 963, Stop::No);
  handsetAnswered.store(true);
  if (WriteByte(kBootAnswer) != kStatusOk) return ReportError(kUnitSerial, 969, Stop::No);
  SetLineSpeed(kBootSpeed, 8, 0, 0);
  if (SendCommand(kCodeAtText, 0, 0) != kStatusOk) return ReportError(kUnitSerial, 973, Stop::Yes);
  if (WaitForText(kOkLine, kLineEnd) != kStatusOk) return ReportError(kUnitSerial, 975, Stop::Yes);
  if (SendCommand(kCodeAtDownloadText, 0, 0) != kStatusOk) return ReportError(kUnitSerial, 977, Stop::Yes);
  if (WaitForText(kDownloadLine, kLineEnd) != kStatusOk) return ReportError(kUnitSerial, 979, Stop::Yes);
  return status;
}

LinkStatus SerialLink::SendSRecords(const char* text, uint32_t total) {
  if (BootHandshake() != kStatusOk) return status;
  Log(app->Text(text::kDownloadInitiated), kBlack);
  SleepMs(kSpeedSwitchDelayMs);
  SetLineSpeed(kUploadSpeed, 8, 0, 0);
  BeginProgress(nullptr, app->Text(text::kSending).c_str(), total, kRecordProgressUnit, kBlack);
  uint32_t ignored = 0;
  GetQueuedCount(&ignored);  // clears the line's errors after the switch

  uint32_t position = 0;
  char* line = reinterpret_cast<char*>(receiveBuffer.get());
  while (position < total) {
    // One record up to its LF, sent with a bare LF.
    const char* end = static_cast<const char*>(std::memchr(text + position, '\n', total - position));
    uint32_t next = end == nullptr ? total : static_cast<uint32_t>(end - text) + 1;
    uint32_t length = next - position;
    std::memcpy(line, text + position, length);
    if (length >= 2 && line[length - 2] == '\r') line[--length - 1] = '\n';
    line[length] = '\0';
    WriteText(line);
    if (AwaitByte(kRecordAck) != kStatusOk) return ReportError(kUnitSerial, 1011, Stop::No);
    position = next;
    StepProgress(position, kRecordProgressUnit);
  }
  if (ReadResponse() != kStatusOk) return ReportError(kUnitSerial, 1026, Stop::Yes);
  EndProgress(nullptr, kBlack);
  return status;
}

LinkStatus SerialLink::UploadStageOne(LoaderPackage* package) {
  status = kStatusOk;
  if (package == nullptr || !package->IsOpen()) {
    status = kStatusNoPackage;
    return ReportError(kUnitSerial, 918, Stop::Yes);
  }
  uint8_t field[kPackageLengthBytes];
  uint32_t got = 0;
  if (!package->SeekFromStart(kPackageHeaderBytes) || !package->Read(field, kPackageLengthBytes, &got) ||
      got < kPackageLengthBytes) {
    status = kStatusPackageRead;
    return ReportError(kUnitSerial, 928, Stop::Yes);
  }
  const uint32_t length = LoadLittleEndian16(field);
  // A package cut short must not send zeros in place of the loader's code.
  std::vector<uint8_t> stageOne(length);
  if (!package->Read(stageOne.data(), length, &got) || got < length) {
    status = kStatusPackageRead;
    return ReportError(kUnitSerial, 938, Stop::Yes);
  }
  std::vector<char> records(SRecordTextLength(length));
  uint32_t total = FormatSRecords(stageOne.data(), records.data(), length);
  if (SendSRecords(records.data(), total) != kStatusOk) ReportError(kUnitSerial, 947, Stop::Yes);
  return status;
}

LinkStatus SerialLink::UploadStageTwo(LoaderPackage* package) {
  status = kStatusOk;
  if (package == nullptr || !package->IsOpen()) {
    status = kStatusNoPackage;
    return ReportError(kUnitSerial, 1041, Stop::Yes);
  }
  uint8_t field[kPackageLengthBytes];
  uint32_t got = 0;
  if (!package->SeekFromStart(kPackageHeaderBytes) || !package->Read(field, kPackageLengthBytes, &got) ||
      got < kPackageLengthBytes || !package->Skip(LoadLittleEndian16(field))) {
    status = kStatusPackageRead;
    return ReportError(kUnitSerial, 1051, Stop::Yes);
  }
  std::vector<uint8_t> chunk;
  for (;;) {
    if (!package->Read(field, kPackageLengthBytes, &got) || got == 1) {
      status = kStatusPackageRead;  // a read error, or a length cut in half
      return ReportError(kUnitSerial, 1071, Stop::Yes);
    }
    if (got == 0) return status;  // the package ends here
    const uint32_t length = LoadLittleEndian16(field);
    chunk.resize(length);
    if (!package->Read(chunk.data(), length, &got)) {
      status = kStatusPackageRead;
      return ReportError(kUnitSerial, 1071, Stop::Yes);
    }
    if (got < length) {
      status = kStatusPackageRead;
      return ReportError(kUnitSerial, 1076, Stop::Yes);
    }
    if (SendWithCommand(chunk.data(), length, Quiet::Yes) != kStatusOk) {
      return ReportError(kUnitSerial, 1078, Stop::No);
    }
  }
}

}  // namespace varnel
