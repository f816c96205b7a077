// The line protocol's time-outs, retries and limits on a fake port with a
// virtual clock: what takes seconds of silence, noise or babble on a real
// line runs here in microseconds, and the virtual time shows the waits.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "format/byte_order.h"
#include "format/crc16.h"
#include "link/link_protocol.h"
#include "files/transfer_file.h"
#include "tests/fake_port.h"
#include "tests/test_support.h"
#include "texts/code_page.h"

namespace varnel::testing {
namespace {

constexpr uint32_t kData = 100;  // bytes per test block

// A block as the loader sends it, with the right CRC.
std::vector<uint8_t> Block(uint16_t number, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> block(kBlockHeaderBytes);
  block[0] = kStx;
  StoreLittleEndian16(block.data() + kBlockStartBytes, number);
  StoreLittleEndian16(block.data() + kBlockStartBytes + kBlockNumberBytes, static_cast<uint32_t>(data.size()));
  block.insert(block.end(), data.begin(), data.end());
  uint8_t crc[kBlockCrcBytes];
  StoreLittleEndian16(crc, Crc16(data.data(), static_cast<int32_t>(data.size())));
  block.insert(block.end(), crc, crc + kBlockCrcBytes);
  return block;
}

std::vector<uint8_t> Data(uint8_t seed) {
  std::vector<uint8_t> data(kData);
  for (uint32_t i = 0; i < kData; ++i) data[i] = static_cast<uint8_t>(seed * 31 + i);
  return data;
}

// A protocol on a fresh fake port, in English: the fixture's, and a
// table row's own.
struct Rig {
  explicit Rig(LinkCommand start = LinkCommand::Idle) : command(start), protocol(app, owner, port, command) {}

  // The red lines: the failures and retries reported.
  std::vector<std::string> Reports() {
    std::vector<std::string> reports;
    for (const LogLine& line : owner.Lines()) {
      if (line.colour == kRed) reports.push_back(line.text);
    }
    return reports;
  }

  // Receives `expected` bytes into a fresh file; returns the status.
  LinkStatus Receive(uint32_t expected) {
    std::string reason;
    TransferFile file = TransferFile::Create((dir / "received.bin").string().c_str(), &reason);
    EXPECT_TRUE(file.IsOpen()) << reason;
    LinkStatus status = protocol.receiver.ReceiveToFile(file, expected, Quiet::Yes, &received);
    file.Close();
    return status;
  }

  TempDir dir;
  uint32_t received = 0;
  const Application app{"Varnel", kUtf8CodePage, {}};
  FakePort port;
  std::atomic<LinkCommand> command;
  RecordingOwner owner;
  LinkProtocol protocol;
};

class LinkProtocolTest : public ::testing::Test, protected Rig {};

// ---- Reports ----

// The texts of the codes the link's tests never meet on a line (the
// others are pinned where they are reported), an unknown code's and a
// negative one's.
TEST(StatusTextTest, FillsTheMessageWithTheCode) {
  const std::vector<std::pair<LinkStatus, std::string>> kCases = {
      {3, "Write (3)"},        {4, "Read (4)"},    {6, "Setup comm port (6)"},
      {24, "Write NULL (24)"}, {52, "Error (52)"}, {-5, "Error (-5)"},
  };
  for (const auto& [code, text] : kCases) EXPECT_EQ(LinkLine::StatusText(code), text);
}

// A failure is a red line, counted, and stops the link only when asked;
// a retry is the same line, not counted.
TEST_F(LinkProtocolTest, AReportLogsTheLineReturnsTheStatusAndStopsOnlyWhenAsked) {
  LinkLine& line = protocol.line;
  EXPECT_EQ(line.ReportError(kStatusTimeout, kUnitSerial, 963, StopRequest::No), kStatusTimeout);
  EXPECT_EQ(line.ReportError(254, kUnitXm, 456, StopRequest::No), 254);
  EXPECT_EQ(line.ReportRetry(kStatusCrcMismatch, kUnitXm, 312), kStatusCrcMismatch);
  EXPECT_FALSE(line.StopRequested());
  EXPECT_EQ(line.ReportError(kStatusNoPackage, kUnitBase, 107, StopRequest::Yes), kStatusNoPackage);
  EXPECT_TRUE(line.StopRequested());
  EXPECT_EQ(Reports(),
            (std::vector<std::string>{"Timeout (2) (Serial:963)", "Command not implemented (254) (Serial_XM:456)",
                                      "XM CRC Error (58) (Serial_XM:312)", "Error (13) (Serial_Base:107)"}));
  EXPECT_EQ(owner.Lines().size(), 4u) << "every report is red";
  EXPECT_EQ(line.FailureCount(), 3u);
}

// A wait for the loader's response that the link's own stop ends heard
// nothing: that is no "OK" (0) from the loader.
TEST_F(LinkProtocolTest, AResponseWaitEndedByTheLinksStopIsATimeOut) {
  port.Arrive({kResponseOk}, kByteTimeoutMs / 2);
  protocol.line.RequestStop();
  EXPECT_EQ(protocol.commands.ReadResponse(), kStatusTimeout);
  EXPECT_EQ(Reports(), std::vector<std::string>{"Timeout (2) (Serial:442)"});
}

// ---- Opening the port ----

// A port that refuses the line's settings would run under another
// program's (XON/XOFF, another speed): the open fails and the port closes,
// so each operation on it then reports 12 where it failed.
TEST_F(LinkProtocolTest, APortThatRefusesTheLineSettingsIsNotUsed) {
  port.Close();
  port.refuseLineDefaults = true;
  EXPECT_EQ(protocol.line.OpenPort("COM1", kQueueBytes, kQueueBytes), kStatusSetLineState);
  EXPECT_FALSE(port.IsOpen());
  const std::vector<std::string> texts = owner.Texts();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[texts.size() - 2], "Error (18) (Serial:199)");
  EXPECT_EQ(texts.back(), "refused");
  owner.Clear();
  LinkLine& line = protocol.line;
  uint8_t byte = 0;
  uint32_t count = 0;
  EXPECT_EQ(line.WriteByte(1), kStatusPortClosed);
  EXPECT_EQ(line.ReadBytes(&byte, 1), kStatusPortClosed);
  EXPECT_EQ(line.ReadExact(&byte, 1, &count, 10), kStatusPortClosed);
  EXPECT_EQ(line.GetQueuedCount(&count), kStatusPortClosed);
  EXPECT_EQ(line.SetLineSpeed(kUploadSpeed), kStatusPortClosed);
  EXPECT_EQ(owner.Texts(),
            (std::vector<std::string>{"Error (12) (Serial:526)", "Error (12) (Serial:592)", "Error (12) (Serial:634)",
                                      "Error (12) (Serial:746)", "Error (12) (Serial:467)"}));
  EXPECT_TRUE(port.Written().empty());
}

// ---- Sending a block ----

TEST_F(LinkProtocolTest, ABlockIsGivenUpAfterFiveFailedAttemptsWith0x18) {
  struct Case {
    const char* what;
    std::function<void(FakePort&, const std::vector<uint8_t>&)> loader;
    std::ptrdiff_t sends;           // copies of the block on the line
    std::ptrdiff_t timeoutReports;  // "Timeout (2) (Serial_XM:180)"
  };
  const std::array<Case, 3> kCases = {{
      {"five silences", [](FakePort&, const std::vector<uint8_t>&) {}, 1, 5},
      // Two silences, a request to send again, three more silences.
      {"a resend request among the silences",
       [sends = 0](FakePort& p, const std::vector<uint8_t>&) mutable {
         if (++sends == 1) p.Arrive({kNak}, 2 * kByteTimeoutMs + 100);
       },
       2, 5},
      // Sixteen requests in a row count as one failed attempt; then nothing
      // answers the block that is not sent again.
      {"endless resend requests", [](FakePort& p, const std::vector<uint8_t>&) { p.Arrive({kNak}); }, 16, 4},
  }};
  const std::vector<uint8_t> data = Data(1);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Rig rig;
    rig.port.reply = c.loader;
    EXPECT_EQ(rig.protocol.sender.SendBlock(data.data(), kData, 2), kStatusBlockFailed);
    const std::vector<uint8_t> block = Block(2, data);
    std::vector<uint8_t> expected;
    for (std::ptrdiff_t i = 0; i < c.sends; ++i) expected.insert(expected.end(), block.begin(), block.end());
    expected.push_back(kCan);
    EXPECT_EQ(rig.port.Written(), expected);
    const std::vector<std::string> texts = rig.owner.Texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Timeout (2) (Serial_XM:180)"), c.timeoutReports);
    EXPECT_GE(rig.port.Now(), static_cast<uint32_t>(c.timeoutReports) * kByteTimeoutMs);
    EXPECT_EQ(rig.protocol.line.FailureCount(), 0u) << "the retries' reports are no failures; the caller reports 52";
  }
}

// Each of the loader's three requests to send again brings the identical
// block again, and is no failure.
TEST(BlockResendTest, EachResendRequestBringsTheIdenticalBlockAgain) {
  for (uint8_t request : {kNak, kSyn, kEtb}) {
    SCOPED_TRACE(request);
    Rig rig;
    rig.port.reply = [request, sends = 0](FakePort& p, const std::vector<uint8_t>&) mutable {
      p.Arrive({++sends == 1 ? request : kAck});
    };
    const std::vector<uint8_t> data = Data(7);
    EXPECT_EQ(rig.protocol.sender.SendBlock(data.data(), kData, 2), kStatusOk);
    std::vector<uint8_t> twice = Block(2, data);
    twice.insert(twice.end(), twice.begin(), twice.end());
    EXPECT_EQ(rig.port.Written(), twice);
    EXPECT_TRUE(rig.Reports().empty());
  }
}

TEST_F(LinkProtocolTest, ALoaderAbortEndsTheBlockAtOnceWithout0x18) {
  port.reply = [](FakePort& p, const std::vector<uint8_t>&) { p.Arrive({kDc4}); };
  const std::vector<uint8_t> data = Data(2);
  EXPECT_EQ(protocol.sender.SendBlock(data.data(), kData, 1), kStatusBlockAborted);
  EXPECT_EQ(std::count(port.Written().begin(), port.Written().end(), kCan), 0);
  EXPECT_EQ(Reports(), std::vector<std::string>{"Error (51) (Serial_XM:173)"});
}

// A chunk whose blocks did not get through is no upload, however the
// loader closes it.
TEST_F(LinkProtocolTest, AnUploadWhoseBlocksFailedFailsWhateverTheClosingByte) {
  port.reply = [](FakePort& p, const std::vector<uint8_t>& written) {
    if (written.size() > 1 && written[1] == kCmdUpload) p.Arrive({kAck});   // the 0x14 packet: ready
    if (written.front() == kStx) p.Arrive({0x99, 0x99, 0x99, 0x99, 0x99});  // no answer it knows
    if (written == std::vector<uint8_t>{kCan}) p.Arrive({0x00});            // "all is well"
  };
  const std::vector<uint8_t> data = Data(6);
  EXPECT_EQ(protocol.sender.SendWithCommand(data.data(), kData, Quiet::Yes), kStatusBlockFailed);
  EXPECT_EQ(Reports(), std::vector<std::string>{"Error (52) (Serial_XM:354)"});
}

// A block already sent is answered by the loader whatever the user does
// meanwhile: its answer is heard (within the usual bound), so it is never
// taken for the loader's closing response later; then the stop counts.
TEST_F(LinkProtocolTest, AStopLetsTheBlockUnderWayBeAnswered) {
  struct Case {
    const char* what;
    std::vector<uint8_t> answer;  // after 50 ms; empty: none
    LinkStatus status;
    uint32_t fewestMs;
    uint32_t mostMs;
  };
  const std::array<Case, 2> kCases = {{
      {"the loader answers", {kAck}, kStatusOk, 50, 60},
      {"the loader is silent", {}, kStatusBlockFailed, kByteTimeoutMs, kByteTimeoutMs + 10},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Rig rig;
    rig.port.reply = [&](FakePort& p, const std::vector<uint8_t>&) {
      rig.command.store(LinkCommand::Stop);
      if (!c.answer.empty()) p.Arrive(c.answer, 50);
    };
    const std::vector<uint8_t> data = Data(3);
    EXPECT_EQ(rig.protocol.sender.SendBlock(data.data(), kData, 1), c.status);
    EXPECT_EQ(rig.port.Written().back() == kCan, c.status != kStatusOk);
    EXPECT_GE(rig.port.Now(), c.fewestMs);
    EXPECT_LE(rig.port.Now(), c.mostMs);
    for (const LogLine& line : rig.owner.Lines()) EXPECT_NE(line.colour, kRed) << line.text;
  }
}

// ---- Receiving blocks ----

TEST_F(LinkProtocolTest, NoiseOrSilenceEndsAReceiveAfterFivePartTimeOuts) {
  struct Case {
    const char* what;
    std::vector<uint8_t> stream;  // none: silence
  };
  const std::array<Case, 2> kCases = {{
      {"silence", {}},
      {"noise", {0xAA, 0x55, 0xFF, 0x00, 0xE5}},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Rig rig;
    // One good block, then nothing but the stream.
    rig.port.Arrive(Block(1, Data(4)));
    if (!c.stream.empty()) rig.port.Stream(c.stream, 1);
    EXPECT_EQ(rig.Receive(2 * kData), kStatusNoBlockStart);
    EXPECT_EQ(rig.received, kData);
    // The ready byte, the block's answer and the cancel: noise is not answered.
    EXPECT_EQ(rig.port.Written(), (std::vector<uint8_t>{kAck, kAck, kCan}));
    EXPECT_EQ(rig.owner.progressSteps, std::vector<uint32_t>{kData});
    const std::vector<std::string> texts = rig.owner.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Error (54) (Serial_XM:281)"), texts.end());
    EXPECT_GE(rig.port.Now(), 5 * kBlockPartTimeoutMs);
    EXPECT_LE(rig.port.Now(), 6 * kBlockPartTimeoutMs);
    if (c.stream.empty()) {
      // Silence is waited for in the system, not polled every millisecond.
      EXPECT_LT(rig.port.Waits(), 10u);
    }
  }
}

// Well-formed new blocks that carry no byte are progress only in name:
// sixteen in a row end the receive as silence would, at once.
TEST_F(LinkProtocolTest, SixteenEmptyBlocksInARowEndAReceive) {
  uint16_t number = 0;
  port.reply = [&number](FakePort& p, const std::vector<uint8_t>& written) {
    if (written == std::vector<uint8_t>{kAck}) p.Arrive(Block(++number, {}));
  };
  EXPECT_EQ(Receive(kData), kStatusNoBlockStart);
  EXPECT_EQ(number, 16);
  EXPECT_EQ(port.Written().back(), kCan);
  EXPECT_EQ(Reports(), std::vector<std::string>{"Error (54) (Serial_XM:281)"});
  EXPECT_LT(port.Now(), kBlockPartTimeoutMs);
}

TEST_F(LinkProtocolTest, AStalledBlockIsLetPassThenAskedForAgainAndAccepted) {
  const std::vector<uint8_t> block = Block(1, Data(5));
  // The first 40 bytes, then the rest 1.5 s later; each 0x17 brings the
  // block again, whole.
  port.Arrive(std::vector<uint8_t>(block.begin(), block.begin() + 40));
  port.Arrive(std::vector<uint8_t>(block.begin() + 40, block.end()), 1500);
  port.reply = [&block](FakePort& p, const std::vector<uint8_t>& written) {
    if (written == std::vector<uint8_t>{kEtb}) p.Arrive(block);
  };
  EXPECT_EQ(Receive(kData), kStatusOk);
  EXPECT_EQ(ReadBytes(dir / "received.bin"), Data(5));
  EXPECT_EQ(port.Written(), (std::vector<uint8_t>{kAck, kEtb, kAck}));
  EXPECT_EQ(Reports(), (std::vector<std::string>{"Timeout (2) (Serial_XM:289)", "Error (59) (Serial_XM:319)"}));
  EXPECT_EQ(protocol.line.FailureCount(), 0u) << "a block asked for again and received is no failure";
  // The tail passed, then the line was quiet for a part time-out.
  EXPECT_GE(port.Now(), 1500 + kBlockPartTimeoutMs);
}

// ---- The boot dialogue ----

TEST_F(LinkProtocolTest, ABootStepEndsAfterItsLimitWhateverKeepsArriving) {
  Rig rig(LinkCommand::Connect);
  rig.port.Stream({'R', 'I', 'N', 'G', '\r', '\n'}, 1);  // lines without end, never "OK"
  EXPECT_EQ(rig.protocol.boot.WaitForText(kOkLine, kLineEnd), kStatusTimeout);
  EXPECT_GE(rig.port.Now(), kBootStepLimitMs);
  EXPECT_LT(rig.port.Now(), kBootStepLimitMs + kByteTimeoutMs + 100);
}

// The boot ROM's offer is waited for through any chatter, past the other
// steps' limit (a handset left on is switched off and on again); the
// chatter is told after a few seconds and again while it goes on.
TEST_F(LinkProtocolTest, TheOfferIsAwaitedThroughStrayBytesWhichAreTold) {
  struct Case {
    const char* what;
    std::function<void(FakePort&)> line;
    bool offered;
    std::vector<unsigned long> told;  // about the counts each notice gives (a byte a millisecond)
  };
  const std::array<Case, 3> kCases = {{
      {"40 s of babble, then the offer",
       [](FakePort& p) {
         p.Stream({0xAA, 0x55}, 1);
         p.Arrive({kBootOffer}, 40000);
         p.reply = [](FakePort& line, const std::vector<uint8_t>&) { line.StopStream(); };
       },
       true,
       {kStrayBytesNoticeMs, kStrayBytesNoticeMs + kStrayBytesRepeatMs}},
      {"two bytes, then silence",
       [](FakePort& p) {
         p.Arrive({0x00, 0xFF});
       },
       false,
       {2}},
      {"a stray byte, then the offer",
       [](FakePort& p) {
         p.Arrive({0x00});
         p.Arrive({kBootOffer}, 500);
       },
       true,
       {}},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Rig rig(LinkCommand::Connect);
    c.line(rig.port);
    static_cast<void>(rig.protocol.boot.SendSRecords("", 0));
    EXPECT_EQ(!rig.port.Written().empty() && rig.port.Written()[0] == kBootAnswer, c.offered);
    std::vector<unsigned long> counts;
    for (const LogLine& line : rig.owner.Lines()) {
      if (line.text.find("bytes came from the port but not the handset's boot offer") == std::string::npos) continue;
      EXPECT_EQ(line.colour, kGrey);
      counts.push_back(std::stoul(line.text));
    }
    ASSERT_EQ(counts.size(), c.told.size());
    for (size_t i = 0; i < counts.size(); ++i) {
      EXPECT_GE(counts[i], c.told[i]);
      EXPECT_LE(counts[i], c.told[i] + 10);
    }
  }
}

}  // namespace
}  // namespace varnel::testing
