// Sending blocks to the loader: the ready byte, one block with its answer,
// a whole buffer, and the command-opened upload of a loader chunk.
#include "link/block_sender.h"

#include <algorithm>
#include <string>

#include "format/byte_order.h"
#include "format/crc16.h"

namespace varnel {
namespace {

constexpr int kAckAttempts = 4;
constexpr int kFailedAttemptsAllowed = 5;
// A loader that asks for the same block again and again must not hold the
// worker for ever: after this many requests in a row, one attempt counts
// as failed.
constexpr int kResendsInARowAllowed = 16;
}  // namespace

BlockSender::BlockSender(LinkLine& linkLine, LoaderCommands& loaderCommands)
    : line(linkLine),
      commands(loaderCommands),
      blockBuffer(std::make_unique<uint8_t[]>(kReceiveBlockBytes + kBlockOverheadBytes)) {}

void BlockSender::UseBlockSize(uint32_t bytes) {
  blockSize = bytes;
  if (bytes != 0 && bytes <= kLargestBlockSize) return;
  blockSize = kBlockChoices.front();
  line.Log(line.FormatText(text::kBlockSizeRefused, static_cast<unsigned>(bytes), static_cast<unsigned>(blockSize)),
           kGrey);
}

LinkStatus BlockSender::WaitForAck() {
  for (int attempt = 0; attempt < kAckAttempts; ++attempt) {
    uint8_t byte = 0;
    uint32_t got = 0;
    const LinkStatus status = line.ReadExact(&byte, 1, &got, kByteTimeoutMs);
    if (status != kStatusOk) {
      line.ReportRetry(status, kUnitXm, 98);
      continue;
    }
    if (got == 1 && byte == kAck) return kStatusOk;
    if (line.StopAsked()) break;
  }
  return kStatusNoAck;
}

LinkStatus BlockSender::SendBlock(const uint8_t* data, uint32_t count, uint32_t number) {
  count = std::min(count, blockSize);
  uint8_t* block = blockBuffer.get();
  block[0] = kStx;
  StoreLittleEndian16(block + kBlockStartBytes, number);
  StoreLittleEndian16(block + kBlockStartBytes + kBlockNumberBytes, count);
  std::copy(data, data + count, block + kBlockHeaderBytes);
  StoreLittleEndian16(block + kBlockHeaderBytes + count, Crc16(data, static_cast<int32_t>(count)));
  const uint32_t length = count + kBlockOverheadBytes;

  int failed = 0;
  int resendsInARow = 0;
  bool send = true;
  while (failed < kFailedAttemptsAllowed && !line.StopAsked()) {
    // One write of the whole block; a block that did not go out shows up
    // as a missing answer.
    if (send) static_cast<void>(line.WriteBytes(block, length));
    send = false;
    uint8_t answer = 0;
    uint32_t got = 0;
    // The block is on its way: its answer is heard even after the user's
    // stop (bounded like any answer), so the loader's answer to it is not
    // later taken for its closing response.
    LinkStatus status = line.ReadExact(&answer, 1, &got, kByteTimeoutMs, StopsWait::LinkOnly);
    if (status != kStatusOk || got == 0) {
      if (line.StopAsked()) break;  // the wait was cut short: the block is given up
      if (status == kStatusOk) status = kStatusTimeout;
      line.ReportRetry(status, kUnitXm, 180);
      ++failed;
      resendsInARow = 0;
      continue;
    }
    if (answer == kAck) return kStatusOk;
    if (answer == kDc4) return line.ReportError(kStatusBlockAborted, kUnitXm, 173, StopRequest::No);
    if (answer == kNak || answer == kSyn || answer == kEtb) {
      if (++resendsInARow < kResendsInARowAllowed) {
        send = true;
        continue;
      }
      resendsInARow = 0;
    }
    ++failed;  // any other byte, or too many requests in a row
  }
  static_cast<void>(line.WriteByte(kCan));
  return kStatusBlockFailed;
}

LinkStatus BlockSender::SendData(const uint8_t* data, uint32_t total, Quiet quiet) {
  uint32_t position = 0;
  uint32_t number = kFirstBlockNumber;
  const LinkStatus ready = WaitForAck();
  if (ready != kStatusOk) return line.ReportError(ready, kUnitXm, 199, StopRequest::No);
  std::string started = line.App().Text(text::kTransmitStarted);
  line.BeginProgress(quiet == Quiet::Yes ? nullptr : started.c_str(), line.App().Text(text::kTransmitting).c_str(),
                     total, kBlockProgressUnit, kBlack);
  LinkStatus status = kStatusOk;
  for (;;) {
    const uint32_t n = std::min(total - position, blockSize);
    if (n == 0) break;
    status = SendBlock(data + position, n, number++);
    if (status != kStatusOk) break;
    position += n;
    line.StepProgress(position, kBlockProgressUnit);
    if (line.StopAsked() && position < total) {
      // Stopped: the loader hears that the rest is not coming.
      static_cast<void>(line.WriteByte(kCan));
      status = kStatusBlockFailed;
      break;
    }
  }
  std::string finished = line.App().Text(text::kTransmitFinished);
  line.EndProgress(quiet == Quiet::Yes ? nullptr : finished.c_str(), kBlack);
  return status;
}

LinkStatus BlockSender::SendWithCommand(const uint8_t* data, uint32_t count, Quiet quiet) {
  const LinkStatus sent = commands.SendCommand(kCmdUpload, count, 0);
  if (sent != kStatusOk) return line.ReportError(sent, kUnitXm, 352, StopRequest::No);
  const LinkStatus blocks = SendData(data, count, quiet);
  if (blocks != kStatusOk) line.ReportError(blocks, kUnitXm, 354, StopRequest::No);
  const LinkStatus response = commands.ReadResponse();
  if (response != kStatusOk) line.ReportError(response, kUnitXm, 356, StopRequest::No);
  // Blocks that did not all get through are no upload, whatever the
  // loader's closing byte says.
  return blocks != kStatusOk ? blocks : response;
}

}  // namespace varnel
