// The boot ROM dialogue and the upload of the two loader stages: stage one
// as S-records at 115200 bit/s, stage two as command-opened block uploads.
#include "link/boot_upload.h"

#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

#include "format/byte_order.h"
#include "format/loader_package.h"
#include "format/srecord_format.h"
#include "format/wire_format.h"

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

BootUpload::BootUpload(LinkLine& linkLine, LinkOwner& linkOwner, LoaderCommands& loaderCommands,
                       BlockSender& blockSender, LinkTiming linkTiming)
    : line(linkLine),
      owner(linkOwner),
      commands(loaderCommands),
      sender(blockSender),
      timing(linkTiming),
      lineBuffer(std::make_unique<uint8_t[]>(kReceiveBufferBytes)) {}

LinkStatus BootUpload::ReadUntil(uint8_t* buffer, uint32_t room, uint8_t terminator, uint32_t* count,
                                 uint32_t timeoutMs) {
  *count = 0;
  const uint32_t start = line.TickCount();
  uint32_t n = 0;
  for (;;) {
    const uint32_t waited = line.TickCount() - start;
    if (waited > timeoutMs) return line.ReportError(kStatusTimeout, kUnitSerial, 350, StopRequest::No);
    uint32_t queued = 0;
    static_cast<void>(line.GetQueuedCount(&queued));
    if (queued == 0) {
      if (line.StopAsked()) break;
      line.WaitForInput(timeoutMs - waited + 1);
      continue;
    }
    uint32_t got = 0;
    if (line.ReadExact(buffer + n, 1, &got, kByteTimeoutMs) != kStatusOk || got == 0) {
      return line.ReportError(kStatusRead, kUnitSerial, 360, StopRequest::No);
    }
    const uint8_t byte = buffer[n++];
    if (byte == terminator) break;
    if (n > room) return line.ReportError(kStatusTextTooLong, kUnitSerial, 376, StopRequest::No);
    if (line.StopAsked()) break;
  }
  *count = n;
  buffer[n] = '\0';
  return kStatusOk;
}

LinkStatus BootUpload::WaitForText(const char* expected, uint8_t terminator) {
  uint8_t* text = lineBuffer.get();
  const uint32_t start = line.TickCount();
  for (;;) {
    uint32_t count = 0;
    text[0] = '\0';
    const LinkStatus status = ReadUntil(text, kLineRoom, terminator, &count, kByteTimeoutMs);
    if (status == kStatusTimeout) return line.ReportError(status, kUnitSerial, 420, StopRequest::No);
    // Another failure leaves the text read so far, which is compared all the same.
    if (Trimmed(reinterpret_cast<const char*>(text)) == expected) return status;
    // Other lines are skipped, but not for ever, and not after a stop.
    if (line.StopAsked() || line.TickCount() - start > timing.bootStepLimitMs) {
      return line.ReportError(kStatusTimeout, kUnitSerial, 420, StopRequest::No);
    }
    line.Sleep(kLinePauseMs);
  }
}

LinkStatus BootUpload::AwaitByte(uint8_t wanted, uint16_t strayNotice) {
  const uint32_t start = line.TickCount();
  uint32_t dropped = 0;
  uint32_t droppedWhenTold = 0;
  uint32_t nextNotice = kStrayBytesNoticeMs;
  // Bytes that are not the one awaited usually mean a wrong port, a wrong
  // speed or a handset that was not off: the user hears it while the wait
  // goes on (again every kStrayBytesRepeatMs while they keep coming), or
  // when it fails, but not after the user's own stop.
  const auto tell = [&] {
    if (strayNotice == 0 || dropped == droppedWhenTold) return;
    droppedWhenTold = dropped;
    line.Log(line.FormatText(strayNotice, dropped), kGrey);
  };
  for (;;) {
    uint8_t byte = 0;
    uint32_t got = 0;
    const LinkStatus status = line.ReadExact(&byte, 1, &got, kByteTimeoutMs);
    if (status != kStatusOk) {
      if (droppedWhenTold == 0) tell();
      return status;
    }
    if (got == 0) return kStatusTimeout;  // a stop ended the wait
    if (byte == wanted) return kStatusOk;
    ++dropped;
    if (line.StopAsked()) return kStatusTimeout;
    const uint32_t waited = line.TickCount() - start;
    if (waited >= nextNotice) {
      tell();
      nextNotice = waited + kStrayBytesRepeatMs;
    }
    // The boot ROM's offer is waited for through any chatter (a handset
    // left on, switched off and on again); the later steps are not.
    if (strayNotice == 0 && waited > timing.bootStepLimitMs) return kStatusTimeout;
  }
}

LinkStatus BootUpload::BootHandshake() {
  LinkStatus status = AwaitByte(kBootOffer, text::kStrayBytesNoOffer);
  if (status != kStatusOk) return line.ReportError(status, kUnitSerial, 963, StopRequest::No);
  owner.OnHandsetAnswered();
  status = line.WriteByte(kBootAnswer);
  if (status != kStatusOk) return line.ReportError(status, kUnitSerial, 969, StopRequest::No);
  static_cast<void>(line.SetLineSpeed(kBootSpeed));
  status = commands.SendCommand(kCodeAtText, 0, 0);
  if (status != kStatusOk) return line.ReportError(status, kUnitSerial, 973, StopRequest::Yes);
  status = WaitForText(kOkLine, kLineEnd);
  if (status != kStatusOk) return line.ReportError(status, kUnitSerial, 975, StopRequest::Yes);
  status = commands.SendCommand(kCodeAtDownloadText, 0, 0);
  if (status != kStatusOk) return line.ReportError(status, kUnitSerial, 977, StopRequest::Yes);
  status = WaitForText(kDownloadLine, kLineEnd);
  if (status != kStatusOk) return line.ReportError(status, kUnitSerial, 979, StopRequest::Yes);
  return kStatusOk;
}

LinkStatus BootUpload::SendSRecords(const char* text, uint32_t total) {
  LinkStatus status = BootHandshake();
  if (status != kStatusOk) return status;
  line.Log(line.App().Text(text::kDownloadInitiated), kBlack);
  line.Sleep(kSpeedSwitchDelayMs);
  static_cast<void>(line.SetLineSpeed(kUploadSpeed));
  line.BeginProgress(nullptr, line.App().Text(text::kSending).c_str(), total, kRecordProgressUnit, kBlack);
  uint32_t ignored = 0;
  static_cast<void>(line.GetQueuedCount(&ignored));  // clears the line's errors after the switch

  uint32_t position = 0;
  char* record = reinterpret_cast<char*>(lineBuffer.get());
  while (position < total) {
    // One record up to its LF, sent with a bare LF.
    const char* end = static_cast<const char*>(std::memchr(text + position, '\n', total - position));
    const uint32_t next = end == nullptr ? total : static_cast<uint32_t>(end - text) + 1;
    uint32_t length = next - position;
    std::memcpy(record, text + position, length);
    if (length >= 2 && record[length - 2] == '\r') record[--length - 1] = '\n';
    record[length] = '\0';
    static_cast<void>(line.WriteText(record));
    status = AwaitByte(kRecordAck);
    if (status != kStatusOk) return line.ReportError(status, kUnitSerial, 1011, StopRequest::No);
    position = next;
    line.StepProgress(position, kRecordProgressUnit);
  }
  status = commands.ReadResponse();
  if (status != kStatusOk) return line.ReportError(status, kUnitSerial, 1026, StopRequest::Yes);
  line.EndProgress(nullptr, kBlack);
  return kStatusOk;
}

LinkStatus BootUpload::UploadStageOne(LoaderPackage* package) {
  if (package == nullptr || !package->IsOpen())
    return line.ReportError(kStatusNoPackage, kUnitSerial, 918, StopRequest::Yes);
  uint8_t field[kPackageLengthBytes];
  uint32_t got = 0;
  if (!package->SeekFromStart(kPackageHeaderBytes) || !package->Read(field, kPackageLengthBytes, &got) ||
      got < kPackageLengthBytes) {
    return line.ReportError(kStatusPackageRead, kUnitSerial, 928, StopRequest::Yes);
  }
  const uint32_t length = LoadLittleEndian16(field);
  // A package cut short must not send zeros in place of the loader's code.
  std::vector<uint8_t> stageOne(length);
  if (!package->Read(stageOne.data(), length, &got) || got < length) {
    return line.ReportError(kStatusPackageRead, kUnitSerial, 938, StopRequest::Yes);
  }
  std::vector<char> records(SRecordTextLength(length));
  const uint32_t total = FormatSRecords(stageOne.data(), records.data(), length);
  const LinkStatus status = SendSRecords(records.data(), total);
  if (status != kStatusOk) line.ReportError(status, kUnitSerial, 947, StopRequest::Yes);
  return status;
}

LinkStatus BootUpload::UploadStageTwo(LoaderPackage* package) {
  if (package == nullptr || !package->IsOpen()) {
    return line.ReportError(kStatusNoPackage, kUnitSerial, 1041, StopRequest::Yes);
  }
  uint8_t field[kPackageLengthBytes];
  uint32_t got = 0;
  if (!package->SeekFromStart(kPackageHeaderBytes) || !package->Read(field, kPackageLengthBytes, &got) ||
      got < kPackageLengthBytes || !package->Skip(LoadLittleEndian16(field))) {
    return line.ReportError(kStatusPackageRead, kUnitSerial, 1051, StopRequest::Yes);
  }
  std::vector<uint8_t> chunk;
  for (;;) {
    // A read error, or a length cut in half.
    if (!package->Read(field, kPackageLengthBytes, &got) || got == 1) {
      return line.ReportError(kStatusPackageRead, kUnitSerial, 1071, StopRequest::Yes);
    }
    if (got == 0) return kStatusOk;  // the package ends here
    const uint32_t length = LoadLittleEndian16(field);
    chunk.resize(length);
    if (!package->Read(chunk.data(), length, &got))
      return line.ReportError(kStatusPackageRead, kUnitSerial, 1071, StopRequest::Yes);
    if (got < length) return line.ReportError(kStatusPackageRead, kUnitSerial, 1076, StopRequest::Yes);
    // A chunk that did not arrive whole leaves a loader that can't work:
    // the connect ends.
    const LinkStatus status = sender.SendWithCommand(chunk.data(), length, Quiet::Yes);
    if (status != kStatusOk) return line.ReportError(status, kUnitSerial, 1078, StopRequest::Yes);
  }
}

}  // namespace varnel
