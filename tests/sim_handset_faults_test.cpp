// The loader's answers byte by byte, driven by hand: its own refusals of bad
// blocks, packets, regions and sector crossings (what makes a link's
// mistake fail the end to end tests), and the fault switches no end to end
// test drives or whose effect only shows here (silent blocks and commands,
// refusals of any command, noise before a block, the oversize block's bank
// end, endless noise), plus the boot ROM's junk, forced response, silence
// and babble. (A hang-up's return on the handset's link:
// tests/sim_handset_test.cpp.) The switches the link's tests drive (bad
// CRCs, aborts, answers to a flash block, lost acknowledgements, stalled,
// misnumbered and oversize blocks, each kind of babble, a weak cell) are
// pinned there by what the link makes of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "format/wire_format.h"
#include "sim/hand_program.h"
#include "sim/handset.h"
#include "sim/handset_responses.h"
#include "sim/line_noise.h"
#include "tests/sim_handset_fixture.h"

namespace varnel::sim {
namespace {

using std::chrono::milliseconds;
using SimHandsetFaultsTest = SimHandsetTest;

// One turn of the program: what it sends, then exactly what the loader
// answers (empty: the line stays quiet).
struct Step {
  std::vector<uint8_t> send;
  std::vector<uint8_t> answer;
};

struct ScriptCase {
  const char* name;
  FaultPlan faults;
  std::vector<Step> steps;
  std::function<void(const TranscriptData&)> check = nullptr;
  uint32_t blockSize = 1024;
};

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const std::vector<uint8_t>& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::vector<uint8_t> Packet(uint8_t code, uint32_t first, uint32_t second = 0) {
  return HandProgram::Packet(code, first, second);
}

std::vector<uint8_t> WithBadCrc(std::vector<uint8_t> block) {
  block.back() ^= 0xFF;
  return block;
}

TEST_F(SimHandsetFaultsTest, LoaderAnswersEachTurnAsItsRulesAndFaultsSay) {
  constexpr uint8_t kRefusal = 0x77;
  constexpr uint32_t kAt = kBank1Base;
  // The oversize last block stops at the bank's end: 40 bytes are left.
  constexpr uint32_t kSize = 1500, kLast = kSize - 1024, kCarried = 40;
  constexpr uint32_t kNearEnd = kBank1Base + kBankSize - kSize - kCarried;
  const std::vector<uint8_t> data = Data(1000, 3);
  const std::vector<uint8_t> small = Data(16, 0);
  const std::vector<uint8_t> ok = {kResponseOk};
  const ScriptCase cases[] = {
      {"a silent block is dropped unanswered and not stored",
       With(&FaultPlan::silentBlock, {ReceivedBlocks::kUploadAndFlash, 1, 1}),
       {{Packet(kCmdUpload, 1000), {kAck}},
        {HandProgram::Block(1, data), {}},
        {HandProgram::Block(1, data), {kAck, kResponseOk}}},
       [&](const TranscriptData& t) { EXPECT_EQ(t.UploadedChunks(), std::vector<std::vector<uint8_t>>{data}); }},
      {"a silent command is neither run nor answered",
       With(&FaultPlan::silentCommand, {kCmdState, 1}),
       {{Packet(kCmdState, kStateDump), {}}, {Packet(kCmdState, kStateDump), ok}},
       [](const TranscriptData& t) {
         std::vector<PacketRecord> packets = t.Packets(kCmdState);
         ASSERT_EQ(packets.size(), 2u);
         EXPECT_FALSE(packets[0].response.has_value());
         EXPECT_EQ(packets[1].response, kResponseOk);
       }},
      // An upload refused goes the flash's way; other commands the way of a
      // bad argument.
      {"a refused flash, once",
       With(&FaultPlan::commandError, {kCmdFlash, kRefusal, 1}),
       {{Packet(kCmdFlash, kAt, 16), {kRefusal}},
        {Packet(kCmdFlash, kAt, 16), {kAck}},
        {HandProgram::Block(1, small), {kAck, kResponseOk}}},
       // Flashed outside the flash state: counted once it is not refused.
       [](const TranscriptData& t) { EXPECT_EQ(t.stats.flashesOutsideFlashState, 1u); }},
      // A refused dump waits for the ready byte and sends 0x14 for a block.
      {"a refused dump, once",
       With(&FaultPlan::commandError, {kCmdDump, kRefusal, 1}),
       {{Packet(kCmdDump, kAt, 16), {}},
        {{kAck}, {kDc4, kRefusal}},
        {Cat({Packet(kCmdDump, kAt, 16), {kAck}}), FreshBlock(1, kAt, 16)},
        {{kAck}, ok}},
       [](const TranscriptData& t) { EXPECT_EQ(t.stats.dumpsOutsideDumpState, 2u); }},
      // The link's tests see the noise ignored, not that it came.
      {"noise goes before the first send of the block only",
       With(&FaultPlan::noiseBeforeBlock, {2, 7}),
       {{Cat({Packet(kCmdDump, kAt, 2048), {kAck}}), FreshBlock(1, kAt, 1024)},
        {{kAck}, Cat({NoiseBytes(kLoaderNoise, 7), FreshBlock(2, kAt + 1024, 1024)})},
        {{kSyn}, FreshBlock(2, kAt + 1024, 1024)},
        {{kAck}, ok}}},
      // Spent after one dump: the next dump's last block holds what remains.
      {"an oversize last block carries the flash that follows up to the bank's end",
       With(&FaultPlan::oversizeLastBlock, 100),
       {{Cat({Packet(kCmdDump, kNearEnd, kSize), {kAck}}), FreshBlock(1, kNearEnd, 1024)},
        {{kAck}, FreshBlock(2, kNearEnd + 1024, kLast + kCarried)},
        {{kAck}, ok},
        {Cat({Packet(kCmdDump, kNearEnd, kLast), {kAck}}), FreshBlock(1, kNearEnd, kLast)},
        {{kAck}, ok}}},
      {"a flash block over a sector boundary is refused and counted",
       {},
       {{Packet(kCmdState, kStateFlash), ok},
        {Packet(kCmdFlash, 0x100F000, 0x3000), {kAck}},
        {HandProgram::Block(1, Data(0x2000, 0)), {kDc4, kLoaderSectorCrossed}}},
       [](const TranscriptData& t) {
         EXPECT_EQ(t.stats.sectorCrossings, 1u);
         EXPECT_EQ(t.stats.flashesOutsideFlashState, 0u);
       },
       8192},
      {"oversize, misnumbered and corrupt blocks are answered 0x15",
       {},
       {{Packet(kCmdUpload, 1000), {kAck}},
        {HandProgram::Block(1, Data(2048, 3)), {kNak}},
        {HandProgram::Block(2, data), {kNak}},
        {WithBadCrc(HandProgram::Block(1, data)), {kNak}},
        {HandProgram::Block(1, data), {kAck, kResponseOk}}},
       [](const TranscriptData& t) {
         EXPECT_EQ(t.stats.badBlocks, 3u);
         EXPECT_EQ(t.stats.oversizedBlocks, 1u);
       }},
      {"unknown commands, bad arguments and regions outside the banks are refused",
       {},
       {{Packet(0x77, 0), {kResponseNotImplemented}},
        {Packet(kCmdLineSpeed, 12345), {kLoaderBadArgument}},
        {Packet(kCmdBlockSize, 0x10000), {kLoaderBadArgument}},
        {Packet(kCmdState, 0x99), {kLoaderBadArgument}},
        {{0x05, kCmdBlockSize, 0, 0, 0, 0}, {kLoaderBadArgument}},
        {Cat({Packet(kCmdDump, 0xFFFFFF, 16), {kAck}}), {kDc4, kLoaderBadRegion}},
        {Packet(kCmdFlash, 0x27FFFF0, 0x20), {kLoaderBadRegion}}}},
      // The second upload is left: the answer time-out ends it.
      {"a transfer the program abandons or leaves is ended",
       {},
       {{Packet(kCmdUpload, 2048), {kAck}},
        {{kCan}, {kLoaderAbandoned}},
        {Packet(kCmdUpload, 2048), {kAck, kLoaderTimedOut}}},
       [](const TranscriptData& t) { EXPECT_EQ(t.stats.transferTimeouts, 1u); }},
  };
  for (const ScriptCase& c : cases) {
    SCOPED_TRACE(c.name);
    StartConnected(c.faults, c.blockSize);
    for (const Step& step : c.steps) {
      ASSERT_TRUE(Write(step.send));
      if (step.answer.empty()) {
        EXPECT_FALSE(Next(kQuiet).has_value());
      } else {
        EXPECT_EQ(program.Port().Read(step.answer.size(), kSettle), step.answer);
      }
    }
    EXPECT_FALSE(Next(kQuiet).has_value());
    if (c.check) c.check(handset->Transcript());
  }
}

// Bytes a loader's noise must never hold: a program would take them for a
// block's start, an answer or an abort.
bool HoldsControls(const std::vector<uint8_t>& noise) {
  return std::any_of(noise.begin(), noise.end(), [](uint8_t b) { return b == kStx || b == kAck || b == kDc4; });
}

// Endless noise in place of a block (the link gives up on it on a fake
// port: tests/link_protocol_test.cpp) is paced, outlasts the answer
// time-out, and ends with the program's 0x18 or the closing of its port;
// the loader then takes commands again.
TEST_F(SimHandsetFaultsTest, EndlessNoiseLastsUntilTheProgramCancelsOrCloses) {
  options.timing.answerTimeout = milliseconds(200);
  for (bool cancel : {true, false}) {
    SCOPED_TRACE(cancel ? "0x18" : "close");
    StartConnected(With(&FaultPlan::endlessNoiseAtBlock, 2), 1024);
    ASSERT_TRUE(Write(Cat({Packet(kCmdDump, kBank1Base, 3 * 1024), {kAck}})));
    EXPECT_EQ(program.ReadBlock(), FreshBlock(1, kBank1Base, 1024));
    ASSERT_TRUE(Write({kAck}));
    // Paced, not a flood: 100 bytes take at least 100 turns of a millisecond.
    ASSERT_TRUE(Next().has_value());
    const auto first = std::chrono::steady_clock::now();
    std::vector<uint8_t> noise = program.Port().Read(100, kSettle);
    ASSERT_EQ(noise.size(), 100u);
    EXPECT_GE(std::chrono::steady_clock::now() - first, milliseconds(90));
    EXPECT_FALSE(HoldsControls(noise));
    // Twice as many bytes as the answer time-out has milliseconds.
    ASSERT_TRUE(Await([](const TranscriptData& d) { return d.stats.noiseSent > 400; }));
    if (cancel) {
      ASSERT_TRUE(Write({kCan}));
      EXPECT_TRUE(program.SkipUntil(kLoaderAbandoned));  // noise never holds 0x63
      EXPECT_FALSE(Next(kQuiet).has_value());            // the noise ended with the dump
      EXPECT_EQ(LastTransfer().programControls.back(), kCan);
    } else {
      program.Close();
      ASSERT_TRUE(Await([](const TranscriptData& d) { return d.stats.programHangUps == 1; }));
      ASSERT_TRUE(program.Open(handset->SlavePath(), kUploadSpeed));
      EXPECT_FALSE(LastTransfer().response.has_value());
    }
    ASSERT_EQ(LastTransfer().blocks.size(), 1u);  // block 1 only
    EXPECT_EQ(handset->Transcript().stats.transferTimeouts, 0u);
    EXPECT_EQ(program.Command(kCmdState, kStateIdle, 0), kResponseOk);
  }
}

// Junk before every offer and every record's "."; the forced final
// response keeps the boot ROM, which offers again; a boot ROM told never to
// offer is silent (the link's wait for it, tests/e2e_connect_test.cpp, sees
// that only when its stop comes after the first offer would have).
TEST_F(SimHandsetFaultsTest, BootRomSendsJunkTheForcedResponseOrNothing) {
  Start({.junkBeforeOffer = 3, .junkBeforeRecordAck = 2, .bootResponse = kBootRecordChecksum});
  std::vector<uint8_t> offer = program.Port().Read(4, kSettle);
  ASSERT_EQ(offer.size(), 4u);
  EXPECT_EQ(std::count(offer.begin(), offer.end(), kBootOffer), 1);
  EXPECT_EQ(offer[3], kBootOffer);
  ASSERT_TRUE(program.Handshake(SpeedSwitch::kFollow));
  program.Port().Flush();  // the LF that ends "Download Initiated"
  const std::vector<std::string> records = HandProgram::SRecords({1, 2, 3});
  ASSERT_TRUE(program.Port().WriteText(records[0]));
  std::vector<uint8_t> ack = program.Port().Read(3, kSettle);
  ASSERT_EQ(ack.size(), 3u);
  EXPECT_EQ(std::count(ack.begin(), ack.end(), kRecordAck), 1);
  EXPECT_EQ(ack[2], kRecordAck);
  ASSERT_TRUE(program.Port().WriteText(records[1]));
  EXPECT_TRUE(program.SkipUntil(kBootRecordChecksum));
  ASSERT_TRUE(program.Port().SetSpeed(kBootSpeed));
  EXPECT_TRUE(program.Handshake(SpeedSwitch::kFollow));
  EXPECT_EQ(handset->Mode(), HandsetMode::kBootRom);
  // One that never offers stays silent from power-on.
  handset->SetFaults(With(&FaultPlan::offer, BootOffer::kNever));
  handset->PowerCycle();
  program.Port().Flush();
  EXPECT_TRUE(program.Port().Read(1, milliseconds(600)).empty());
}

// Babble (what the link makes of each kind: tests/e2e_hostile_line_test.cpp)
// ignores what the program sends and ends when it closes its port; the
// next connection starts at power-on.
TEST_F(SimHandsetFaultsTest, BabbleIgnoresTheProgramUntilItCloses) {
  Start(With(&FaultPlan::babble, Babble::kInsteadOfOffer));
  std::vector<uint8_t> babble = program.Port().Read(50, kSettle);
  ASSERT_EQ(babble.size(), 50u);
  EXPECT_EQ(std::count(babble.begin(), babble.end(), kBootOffer), 0);
  ASSERT_TRUE(program.Port().Write({kBootAnswer}));
  ASSERT_TRUE(program.Port().WriteText(std::string(kAtText) + kAtDownloadText));
  const uint32_t before = handset->Transcript().stats.noiseSent;
  ASSERT_TRUE(Await([before](const TranscriptData& d) { return d.stats.noiseSent > before + 300; }));
  program.Close();
  ASSERT_TRUE(Await([](const TranscriptData& d) { return d.stats.programHangUps == 1; }));
  handset->SetFaults({});
  ASSERT_TRUE(program.Open(handset->SlavePath(), kBootSpeed));
  EXPECT_TRUE(program.Handshake(SpeedSwitch::kFollow));
}

}  // namespace
}  // namespace varnel::sim
