// The link against a handset on a hostile line: a lost acknowledgement
// that brings a block again, noise where a block should start, a block
// that stalls, one that carries more than was asked for, a misnumbered one,
// and a boot ROM that babbles without end. The dump file must hold exactly
// the flash region, and every wait must end. (Endless noise in place of a
// block, which takes seconds to give up on, is tested on a fake port:
// tests/link_protocol_test.cpp.)
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
  // The program's control bytes in the last dump.
  std::vector<uint8_t> Controls() { return handset->Transcript().Transfers(TransferKind::Dump).back().programControls; }
  static long CountOf(const std::vector<uint8_t>& bytes, uint8_t byte) {
    return std::count(bytes.begin(), bytes.end(), byte);
  }
  // Red lines reported by the block transfers.
  std::vector<std::string> TransferReports() {
    std::vector<std::string> reports;
    for (const LogLine& line : owner.Lines()) {
      if (line.colour == kRed && line.text.find("Serial_XM") != std::string::npos) {
        reports.push_back(line.text);
      }
    }
    return reports;
  }
};

TEST_F(HostileLineTest, ABlockThatComesAgainIsAcknowledgedAndNotStoredTwice) {
  struct Case {
    const char* what;
    sim::LostAckFault lost;
  };
  const std::array<Case, 3> kCases = {{
      {"a middle block", {3, 1}},
      {"the last block, where the response belongs", {kBlocks, 1}},
      {"the last block, twice", {kBlocks, 2}},
  }};
  StartHandset();
  Connect();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    sim::FaultPlan faults;
    faults.lostAck = c.lost;
    handset->SetFaults(faults);
    owner.Clear();
    Run(TransferKind::Dump, kRegion, kLength, dir / "dump.bin");
    EXPECT_EQ(ReadFile(dir / "dump.bin"), Flash(kRegion, kLength));
    EXPECT_EQ(owner.LastTransfer().status, kStatusOk);
    EXPECT_EQ(owner.LastTransfer().bytes, kLength);
    // The ready byte, one per block, one per repeat.
    EXPECT_EQ(CountOf(Controls(), kAck), 1 + kBlocks + c.lost.times);
    EXPECT_EQ(handset->Transcript().Transfers(TransferKind::Dump).back().response, std::optional<uint8_t>(kResponseOk));
    EXPECT_TRUE(TransferReports().empty());
    EXPECT_FALSE(Logged("Response [0x2]"));
  }
}

TEST_F(HostileLineTest, NoiseWhereABlockShouldStartIsNeitherAnsweredNorCounted) {
  sim::FaultPlan faults;
  faults.noiseBeforeBlock = {4, 7};
  StartHandset(faults);
  Connect();
  owner.Clear();
  Run(TransferKind::Dump, kRegion, kLength, dir / "dump.bin");
  EXPECT_EQ(ReadFile(dir / "dump.bin"), Flash(kRegion, kLength));
  EXPECT_EQ(Controls(), std::vector<uint8_t>(1 + kBlocks, kAck));
  EXPECT_EQ(owner.progressSteps.size(), kBlocks);
  EXPECT_TRUE(TransferReports().empty());
}

TEST_F(HostileLineTest, AStalledBlockIsLetPassBeforeItIsAskedForAgain) {
  sim::FaultPlan faults;
  faults.stallBlock = {3, 300, std::chrono::milliseconds(1100), 1};  // past the part time-out
  StartHandset(faults);
  Connect();
  Run(TransferKind::Dump, kRegion, kLength, dir / "dump.bin");
  EXPECT_EQ(ReadFile(dir / "dump.bin"), Flash(kRegion, kLength));
  EXPECT_EQ(owner.LastTransfer().status, kStatusOk);
  // One request for the stalled block; its tail was not answered as blocks.
  const std::vector<uint8_t> controls = Controls();
  EXPECT_EQ(CountOf(controls, kEtb), 1);
  EXPECT_EQ(CountOf(controls, kSyn), 0);
  EXPECT_EQ(CountOf(controls, kAck), 1 + kBlocks);
  EXPECT_EQ(TransferReports(), (std::vector<std::string>{"Timeout (2) (Serial_XM:289)", "Error (59) (Serial_XM:319)"}));
}

TEST_F(HostileLineTest, ALastBlockLongerThanWhatRemainsIsCut) {
  sim::FaultPlan faults;
  faults.oversizeLastBlock = 500;
  StartHandset(faults);
  Connect();
  const uint32_t size = 8 * kBlock + 0x100;  // the last block is short
  Run(TransferKind::Dump, kRegion, size, dir / "dump.bin");
  EXPECT_EQ(ReadFile(dir / "dump.bin"), Flash(kRegion, size));
  EXPECT_EQ(owner.LastTransfer().bytes, size);
  EXPECT_EQ(owner.LastTransfer().status, kStatusOk);
  std::vector<std::string> texts = owner.Texts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "Block 9: 500 bytes beyond the size asked for were not written"), 1);
  EXPECT_TRUE(TransferReports().empty());
}

TEST_F(HostileLineTest, AMisnumberedBlockIsAskedForAgainUnlessNumbersSayNothing) {
  StartHandset();
  Connect();
  sim::FaultPlan faults;
  faults.wrongNumber = {4, 9, 1};  // a gap: block 4 looks like block 9
  handset->SetFaults(faults);
  Run(TransferKind::Dump, kRegion, kLength, dir / "gap.bin");
  EXPECT_EQ(ReadFile(dir / "gap.bin"), Flash(kRegion, kLength));
  EXPECT_TRUE(Logged("Block 9 (phone sent) != 4 (i expect)"));
  EXPECT_EQ(CountOf(Controls(), kSyn), 1);
  EXPECT_EQ(owner.LastTransfer().status, kStatusOk);

  // A first block numbered 0: the numbers say nothing, every block is kept.
  faults.wrongNumber = {1, 0, 1};
  handset->SetFaults(faults);
  owner.Clear();
  Run(TransferKind::Dump, kRegion, kLength, dir / "zero.bin");
  EXPECT_EQ(ReadFile(dir / "zero.bin"), Flash(kRegion, kLength));
  EXPECT_EQ(CountOf(Controls(), kSyn), 0);
  EXPECT_TRUE(TransferReports().empty());
}

// ---- Failures ----

// The steps after the boot ROM's offer (which is waited for through any
// chatter) each end, whatever keeps arriving.
TEST_F(HostileLineTest, EachBootStepAfterTheOfferEndsWhateverKeepsArriving) {
  struct Case {
    sim::Babble babble;
    const char* report;  // the innermost report of the step that gave up
  };
  const std::array<Case, 2> kCases = {{
      {sim::Babble::kInsteadOfOk, "Timeout (2) (Serial:420)"},
      {sim::Babble::kInsteadOfRecordAck, "Timeout (2) (Serial:1011)"},
  }};
  bootStepLimitMs = 300;  // the real limit is 10 s
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.report);
    sim::FaultPlan faults;
    faults.babble = c.babble;
    StartHandset(faults);
    owner.Clear();
    StartLink();
    ASSERT_TRUE(owner.WaitFor("closed", 1, kSessionTimeout));
    link->Join();
    EXPECT_TRUE(Logged(c.report));
    EXPECT_TRUE(Logged("Timeout (2) (Serial_Base:107)"));
    EXPECT_EQ(owner.Texts().back(), "Com port closed");
    StopLink();
    handset.reset();
  }
}

TEST_F(HostileLineTest, StopEndsABabblingBootDialoguePromptly) {
  for (sim::Babble babble :
       {sim::Babble::kInsteadOfOffer, sim::Babble::kInsteadOfOk, sim::Babble::kInsteadOfRecordAck}) {
    SCOPED_TRACE(static_cast<int>(babble));
    sim::FaultPlan faults;
    faults.babble = babble;
    StartHandset(faults);
    owner.Clear();
    StartLink();
    ASSERT_TRUE(handset->WaitFor([](const sim::TranscriptData& d) { return d.stats.noiseSent > 200; },
                                 std::chrono::seconds(10)));
    link->Stop();
    ASSERT_TRUE(owner.WaitFor("closed", 1, kStopBound));
    link->Join();
    EXPECT_EQ(owner.Texts().back(), "Com port closed");
    StopLink();
    handset.reset();
  }
}

}  // namespace
}  // namespace varnel::testing
