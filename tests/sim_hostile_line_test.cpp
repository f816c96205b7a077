// The simulated handset on a hostile line, driven by hand: noise before and
// in place of dump blocks and a boot ROM that babbles without end, each
// ending the way the fault plan says. (A block that stalls part-way is seen
// end to end: tests/e2e_hostile_line_test.cpp.)
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "format/wire_format.h"
#include "sim/handset_responses.h"
#include "tests/sim_handset_fixture.h"

namespace varnel::sim {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr uint32_t kAddress = 0x1000000;
constexpr uint32_t kBlockSize = 1024;

// Bytes a loader's noise must never hold: a program would take them for a
// block's start, an answer or an abort.
bool LooksLikeControl(uint8_t byte) { return byte == kStx || byte == kAck || byte == kDc4; }

using SimHostileLineTest = SimHandsetTest;

TEST_F(SimHostileLineTest, NoiseGoesBeforeTheFirstSendOfTheBlockOnly) {
  FaultPlan faults;
  faults.noiseBeforeBlock = {2, 7};
  StartConnected(faults, kBlockSize);
  ASSERT_TRUE(program.SendPacket(kCmdDump, kAddress, 2 * kBlockSize));
  ASSERT_TRUE(Write({kAck}));
  EXPECT_EQ(program.ReadBlock(), FreshBlock(1, kAddress, kBlockSize));
  ASSERT_TRUE(Write({kAck}));
  std::vector<uint8_t> noise = program.Port().Read(7, kSettle);
  ASSERT_EQ(noise.size(), 7u);
  EXPECT_EQ(std::count_if(noise.begin(), noise.end(), LooksLikeControl), 0);
  const std::vector<uint8_t> second = FreshBlock(2, kAddress + kBlockSize, kBlockSize);
  EXPECT_EQ(program.ReadBlock(), second);
  ASSERT_TRUE(Write({kSyn}));
  EXPECT_EQ(program.ReadBlock(), second);  // no noise before the resend
  ASSERT_TRUE(Write({kAck}));
  EXPECT_EQ(Next(), kResponseOk);
  TranscriptData t = handset->Transcript();
  std::vector<uint32_t> noiseBefore;
  for (const BlockRecord& block : t.transfers.back().blocks) noiseBefore.push_back(block.noiseBefore);
  EXPECT_EQ(noiseBefore, (std::vector<uint32_t>{0, 7, 0}));
  EXPECT_EQ(t.stats.noiseSent, 7u);
}

TEST_F(SimHostileLineTest, EndlessNoiseInPlaceOfABlockLastsUntilTheProgramCancels) {
  options.timing.answerTimeout = milliseconds(200);
  FaultPlan faults;
  faults.endlessNoiseAtBlock = 2;
  StartConnected(faults, kBlockSize);
  ASSERT_TRUE(program.SendPacket(kCmdDump, kAddress, 3 * kBlockSize));
  ASSERT_TRUE(Write({kAck}));
  EXPECT_EQ(program.ReadBlock(), FreshBlock(1, kAddress, kBlockSize));
  ASSERT_TRUE(Write({kAck}));
  // Paced, not a flood: 100 bytes take at least 100 turns of a millisecond.
  ASSERT_TRUE(Next().has_value());
  const Clock::time_point first = Clock::now();
  std::vector<uint8_t> noise = program.Port().Read(100, kSettle);
  ASSERT_EQ(noise.size(), 100u);
  EXPECT_GE(Clock::now() - first, milliseconds(90));
  EXPECT_EQ(std::count_if(noise.begin(), noise.end(), LooksLikeControl), 0);
  // It outlasts the loader's answer time-out: twice as many bytes as it
  // has milliseconds.
  ASSERT_TRUE(Await([](const TranscriptData& d) { return d.stats.noiseSent > 400; }));
  ASSERT_TRUE(Write({kCan}));
  EXPECT_TRUE(program.SkipUntil(kLoaderAbandoned));  // noise never holds 0x63
  EXPECT_FALSE(Next(kQuiet).has_value());            // the noise ended with the dump
  TranscriptData t = handset->Transcript();
  EXPECT_EQ(Numbers(t.transfers.back()), std::vector<uint32_t>{1});
  EXPECT_EQ(t.transfers.back().programControls.back(), kCan);
  EXPECT_EQ(t.stats.transferTimeouts, 0u);
  EXPECT_EQ(program.Command(kCmdState, kStateIdle, 0), kResponseOk);
}

TEST_F(SimHostileLineTest, EndlessNoiseEndsWhenTheProgramClosesItsPort) {
  FaultPlan faults;
  faults.endlessNoiseAtBlock = 1;
  StartConnected(faults, kBlockSize);
  ASSERT_TRUE(program.SendPacket(kCmdDump, kAddress, kBlockSize));
  ASSERT_TRUE(Write({kAck}));
  ASSERT_EQ(program.Port().Read(10, kSettle).size(), 10u);
  program.Close();
  ASSERT_TRUE(Await([](const TranscriptData& d) { return d.stats.programHangUps == 1; }));
  // The loader keeps running on the unplugged cable and takes commands.
  ASSERT_TRUE(program.Open(handset->SlavePath(), kUploadSpeed));
  EXPECT_EQ(program.Command(kCmdState, kStateIdle, 0), kResponseOk);
  EXPECT_FALSE(LastTransfer().response.has_value());
}

// --- the boot ROM's babble ---

constexpr size_t kBabbleSample = 200;    // bytes read to judge the babble
constexpr uint32_t kBabbleGoesOn = 300;  // bytes that must follow the program's

// Reads `count` bytes of babble, waiting at most kSettle.
std::vector<uint8_t> Babbled(HandProgram& program, size_t count) { return program.Port().Read(count, kSettle); }

TEST_F(SimHostileLineTest, BabbleGoesOnWhateverTheProgramSendsUntilItCloses) {
  struct Case {
    Babble babble;
    const char* name;
    std::function<bool(HandProgram&)> reach;                 // the program's side up to the babble
    std::function<bool(const std::vector<uint8_t>&)> wrong;  // the answer babble never holds
  };
  const std::string record = HandProgram::SRecords({1, 2, 3})[0];
  const Case cases[] = {
      {Babble::kInsteadOfOffer, "offer", [](HandProgram&) { return true; },
       [](const std::vector<uint8_t>& b) { return std::count(b.begin(), b.end(), kBootOffer) > 0; }},
      {Babble::kInsteadOfOk, "ok",
       [](HandProgram& p) {
         return p.SkipUntil(kBootOffer) && p.Port().Write({kBootAnswer}) && p.Port().WriteText(kAtText);
       },
       [](const std::vector<uint8_t>& b) {
         std::string text(b.begin(), b.end());
         return text.find(kOkLine) != std::string::npos || text.find("RING") == std::string::npos;
       }},
      {Babble::kInsteadOfRecordAck, "ack",
       [&record](HandProgram& p) {
         if (!p.Handshake(SpeedSwitch::kFollow)) return false;
         p.Port().Flush();  // the LF that ends "Download Initiated"
         return p.Port().WriteText(record);
       },
       [](const std::vector<uint8_t>& b) { return std::count(b.begin(), b.end(), kRecordAck) > 0; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FaultPlan faults;
    faults.babble = c.babble;
    Start(faults);
    auto expectBabble = [&] {
      std::vector<uint8_t> bytes = Babbled(program, kBabbleSample);
      EXPECT_EQ(bytes.size(), kBabbleSample);
      EXPECT_FALSE(c.wrong(bytes));
    };
    ASSERT_TRUE(c.reach(program));
    expectBabble();
    // The program's own bytes change nothing.
    ASSERT_TRUE(program.Port().Write({kBootAnswer}));
    ASSERT_TRUE(program.Port().WriteText(std::string(kAtText) + kAtDownloadText + record));
    uint32_t sentBefore = handset->Transcript().stats.noiseSent;
    ASSERT_TRUE(
        Await([sentBefore](const TranscriptData& d) { return d.stats.noiseSent > sentBefore + kBabbleGoesOn; }));
    expectBabble();
    // Closing the port ends it; the next connection starts at power-on.
    program.Close();
    ASSERT_TRUE(Await([](const TranscriptData& d) { return d.stats.programHangUps == 1; }));
    handset->SetFaults(FaultPlan{});
    ASSERT_TRUE(program.Open(handset->SlavePath(), kBootSpeed));
    EXPECT_TRUE(program.Handshake(SpeedSwitch::kFollow));
    program.Close();
    handset.reset();
  }
}

TEST_F(SimHostileLineTest, StopEndsBabbleAtOnce) {
  FaultPlan faults;
  faults.babble = Babble::kInsteadOfOffer;
  Start(faults);
  ASSERT_EQ(Babbled(program, 50).size(), 50u);
  handset->Stop();
  EXPECT_TRUE(program.Port().HungUp(kSettle));
}

}  // namespace
}  // namespace varnel::sim
