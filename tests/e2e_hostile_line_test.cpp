// The link against a handset on a hostile line, over a real pseudo-terminal:
// bad CRCs, a lost acknowledgement that brings a block again, noise where a
// block should start, one that carries more than was asked for, a
// misnumbered one, and a boot ROM that babbles without end. The dump file
// must hold exactly the flash region, a recovered fault is no failure, and
// every wait must end. (A stalled block, endless noise and silence, which
// take seconds, are tested on a fake port: tests/link_protocol_test.cpp.)
#include <array>

#include "tests/handset_fixture.h"

namespace varnel::testing {
namespace {

constexpr uint32_t kRegion = 0x2500000;
constexpr uint32_t kBlock = 1024;
constexpr uint32_t kBlocks = 9;
constexpr uint32_t kLength = kBlocks * kBlock;

class HostileLineTest : public HandsetTest {
 protected:
  // Red lines reported by the block transfers.
  std::vector<std::string> TransferReports() {
    std::vector<std::string> reports;
    for (const LogLine& line : owner.Lines()) {
      if (line.colour == kRed && line.text.find("Serial_XM") != std::string::npos) reports.push_back(line.text);
    }
    return reports;
  }
};

TEST_F(HostileLineTest, ARecoveredLineFaultLeavesTheDumpExactAndClean) {
  struct Case {
    const char* what;
    sim::FaultPlan faults;
    uint32_t size;
    std::array<long, 3> controls;  // the program's 0x06 (the ready byte, one per block, one per repeat), 0x17, 0x16
    std::vector<std::string> reports;
    const char* line;  // logged once; none: nothing
  };
  const std::string kCrc = "XM CRC Error (58) (Serial_XM:312)";  // a block asked for again
  const char* kBeyond = "Block 9: 500 bytes beyond the size asked for were not written";
  const std::array<Case, 8> kCases = {{
      {"a lost acknowledgement", {.lostAck = {3, 1}}, kLength, {11, 0, 0}, {}, nullptr},
      // Where the loader's closing response belongs.
      {"the last block's acknowledgement", {.lostAck = {kBlocks, 1}}, kLength, {11, 0, 0}, {}, nullptr},
      {"the last block's, twice", {.lostAck = {kBlocks, 2}}, kLength, {12, 0, 0}, {}, nullptr},
      // Neither answered nor counted as a block.
      {"noise where a block starts", {.noiseBeforeBlock = {4, 7}}, kLength, {10, 0, 0}, {}, nullptr},
      // Blocks 3 to 7 bad once: five failures are within the budget.
      {"five bad CRCs", {.corruptCrc = {3, 5, 1}}, kLength, {10, 0, 5}, std::vector(5, kCrc), nullptr},
      {"a longer last block", {.oversizeLastBlock = 500}, 8 * kBlock + 0x100, {10, 0, 0}, {}, kBeyond},
      // A gap: block 4 looks like block 9.
      {"misnumbered", {.wrongNumber = {4, 9, 1}}, kLength, {10, 0, 1}, {kCrc}, "Block 9 (phone sent) != 4 (i expect)"},
      // A first block numbered 0: the numbers say nothing, every block is kept.
      {"a first block numbered 0", {.wrongNumber = {1, 0, 1}}, kLength, {10, 0, 0}, {}, nullptr},
  }};
  StartHandset();
  Connect();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    handset->SetFaults(c.faults);
    owner.Clear();
    Run(TransferKind::Dump, kRegion, c.size, dir / "dump.bin");
    EXPECT_EQ(ReadFile(dir / "dump.bin"), Flash(kRegion, c.size));
    const TransferOutcome outcome = owner.LastTransfer();
    EXPECT_EQ(outcome.status, kStatusOk);
    EXPECT_TRUE(outcome.clean) << "a recovered fault is no failure";
    EXPECT_EQ(outcome.bytes, c.size);
    const sim::TransferRecord dump = handset->Transcript().Transfers(TransferKind::Dump).back();
    const std::vector<uint8_t>& sent = dump.programControls;
    EXPECT_EQ(
        (std::array<long, 3>{std::count(sent.begin(), sent.end(), kAck), std::count(sent.begin(), sent.end(), kEtb),
                             std::count(sent.begin(), sent.end(), kSyn)}),
        c.controls);
    EXPECT_EQ(dump.response, std::optional<uint8_t>(kResponseOk));
    EXPECT_EQ(owner.progressSteps.size(), c.size / kBlock + (c.size % kBlock != 0 ? 1 : 0));
    EXPECT_EQ(TransferReports(), c.reports);
    EXPECT_FALSE(Logged("Response [0x2]"));
    if (c.line != nullptr) {
      const std::vector<std::string> texts = owner.Texts();
      EXPECT_EQ(std::count(texts.begin(), texts.end(), c.line), 1);
    }
  }
}

// ---- Failures ----

// The boot ROM's offer is waited for through any chatter; each step after
// it ends whatever keeps arriving, and a stop ends any of them promptly.
TEST_F(HostileLineTest, ABabblingBootDialogueEndsAtItsLimitOrAtAStop) {
  struct Case {
    sim::Babble babble;
    const char* report;  // the innermost report of the step that gave up; none: stopped
  };
  const std::array<Case, 5> kCases = {{
      {sim::Babble::kInsteadOfOk, "Timeout (2) (Serial:420)"},
      {sim::Babble::kInsteadOfRecordAck, "Timeout (2) (Serial:1011)"},
      {sim::Babble::kInsteadOfOffer, nullptr},
      {sim::Babble::kInsteadOfOk, nullptr},
      {sim::Babble::kInsteadOfRecordAck, nullptr},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(::testing::Message() << static_cast<int>(c.babble) << (c.report ? c.report : " stopped"));
    StartHandset({.babble = c.babble});
    bootStepLimitMs = c.report != nullptr ? 300 : kBootStepLimitMs;  // the real limit is 10 s
    StartLink();
    if (c.report == nullptr) {
      ASSERT_TRUE(handset->WaitFor([](const sim::TranscriptData& d) { return d.stats.noiseSent > 200; },
                                   std::chrono::seconds(10)));
      link->Stop();
    }
    ASSERT_TRUE(owner.WaitFor("closed", 1, c.report != nullptr ? kSessionTimeout : kStopBound));
    link->Join();
    if (c.report != nullptr) {
      EXPECT_TRUE(Logged(c.report));
      EXPECT_TRUE(Logged("Timeout (2) (Serial_Base:107)"));
    }
    EXPECT_EQ(owner.Texts().back(), "Com port closed");
  }
}

}  // namespace
}  // namespace varnel::testing
