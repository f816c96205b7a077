// The simulated handset's fault switches that no end to end test drives
// (silent blocks and commands, refusals of any command, a boot ROM that never
// offers, junk before offers and acknowledgements, a forced boot response,
// a hang-up that comes back under the link), the oversize block's limits,
// and the loader's own refusals of bad blocks, packets and regions, driven
// by hand. The switches the link's tests drive (bad CRCs, an abort in place
// of a block, answers to a flash block, lost acknowledgements, misnumbered
// and stalled blocks) are pinned there by what the transcript records.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "format/wire_format.h"
#include "sim/hand_program.h"
#include "sim/handset.h"
#include "sim/handset_responses.h"
#include "tests/sim_handset_fixture.h"

namespace varnel::sim {
namespace {

using std::chrono::milliseconds;
using SimHandsetFaultsTest = SimHandsetTest;

TEST_F(SimHandsetFaultsTest, SilentBlockIsDroppedWithoutAnAnswer) {
  FaultPlan faults;
  faults.silentBlock = {ReceivedBlocks::kUploadAndFlash, 1, 1};
  StartConnected(faults, 1024);
  const std::vector<uint8_t> data = Data(1000, 3);
  ASSERT_TRUE(program.SendPacket(kCmdUpload, 1000, 0));
  ASSERT_EQ(Next(), kAck);
  ASSERT_TRUE(Write(HandProgram::Block(1, data)));
  EXPECT_FALSE(Next(kQuiet).has_value());
  ASSERT_TRUE(Write(HandProgram::Block(1, data)));
  EXPECT_EQ(Next(), kAck);
  EXPECT_EQ(Next(), kResponseOk);
  EXPECT_EQ(handset->Transcript().UploadedChunks(), std::vector<std::vector<uint8_t>>{data});
}

TEST_F(SimHandsetFaultsTest, SilentCommandIsNeitherRunNorAnswered) {
  FaultPlan faults;
  faults.silentCommand = {kCmdState, 1};
  StartConnected(faults, 1024);
  ASSERT_TRUE(program.SendPacket(kCmdState, kStateDump, 0));
  EXPECT_FALSE(Next(kQuiet).has_value());
  EXPECT_EQ(program.Command(kCmdState, kStateDump, 0), kResponseOk);
  std::vector<PacketRecord> packets = handset->Transcript().Packets(kCmdState);
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_FALSE(packets[0].response.has_value());
  EXPECT_EQ(packets[1].response, kResponseOk);
}

TEST_F(SimHandsetFaultsTest, RefusesTheChosenCommandOnce) {
  struct Case {
    uint8_t code;
    uint32_t first;
    uint32_t second;
  };
  const Case cases[] = {
      {kCmdState, kStateIdle, 0},
      {kCmdUpload, 16, 0},
      {kCmdFlash, 0x1000000, 16},
      {kCmdDump, 0x1000000, 16},
  };
  constexpr uint8_t kRefusal = 0x77;
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.code));
    FaultPlan faults;
    faults.commandError = {c.code, kRefusal, 1};
    StartConnected(faults, 1024);
    ASSERT_TRUE(program.SendPacket(c.code, c.first, c.second));
    if (c.code == kCmdDump) {
      ASSERT_TRUE(Write({kAck}));
      EXPECT_EQ(Next(), kDc4);
    }
    EXPECT_EQ(Next(), kRefusal);
    EXPECT_FALSE(Next(kQuiet).has_value());
    ASSERT_TRUE(program.SendPacket(c.code, c.first, c.second));
    if (c.code == kCmdDump) {
      std::vector<uint8_t> data;
      EXPECT_EQ(program.ReceiveDump(16, &data), kResponseOk);
    } else if (c.code == kCmdState) {
      EXPECT_EQ(Next(), kResponseOk);
    } else {
      std::vector<uint8_t> answers;
      EXPECT_EQ(program.SendBlocks(Data(16, 0), 1024, &answers), kResponseOk);
    }
    program.Close();
    handset.reset();
  }
}

TEST_F(SimHandsetFaultsTest, BootRomThatNeverOffersStaysSilent) {
  FaultPlan faults;
  faults.offer = BootOffer::kNever;
  Start(faults);
  EXPECT_TRUE(program.Port().Read(1, milliseconds(600)).empty());
}

TEST_F(SimHandsetFaultsTest, SendsJunkBeforeOffersAndRecordAcks) {
  FaultPlan faults;
  faults.junkBeforeOffer = 3;
  faults.junkBeforeRecordAck = 2;
  Start(faults);
  std::vector<uint8_t> offer = program.Port().Read(4, kSettle);
  ASSERT_EQ(offer.size(), 4u);
  EXPECT_EQ(offer[3], kBootOffer);
  for (int i = 0; i < 3; ++i) EXPECT_NE(offer[i], kBootOffer);
  ASSERT_TRUE(program.Handshake(SpeedSwitch::kFollow));
  program.Port().Flush();  // the LF that ends "Download Initiated"
  ASSERT_TRUE(program.Port().WriteText(HandProgram::SRecords({1, 2, 3})[0]));
  std::vector<uint8_t> ack = program.Port().Read(3, kSettle);
  ASSERT_EQ(ack.size(), 3u);
  EXPECT_EQ(ack[2], kRecordAck);
  EXPECT_NE(ack[0], kRecordAck);
  EXPECT_NE(ack[1], kRecordAck);
}

TEST_F(SimHandsetFaultsTest, ForcedBootResponseKeepsTheBootRom) {
  FaultPlan faults;
  faults.bootResponse = kBootRecordChecksum;
  Start(faults);
  ASSERT_TRUE(program.Handshake(SpeedSwitch::kFollow));
  EXPECT_EQ(program.SendStageOne({1, 2, 3}), kBootRecordChecksum);
  ASSERT_TRUE(program.Port().SetSpeed(kBootSpeed));
  EXPECT_TRUE(program.Handshake(SpeedSwitch::kFollow));
  EXPECT_EQ(handset->Mode(), HandsetMode::kBootRom);
}

TEST_F(SimHandsetFaultsTest, HangsUpAfterTheChosenBlockAndComesBackElsewhere) {
  const std::string link = (dir / "ttyHANDSET").string();
  options.linkPath = link;
  FaultPlan faults;
  faults.hangUp = {TransferKind::Dump, 1};
  Start(faults);
  const std::string firstPath = handset->SlavePath();
  ASSERT_TRUE(program.Connect(1024));
  ASSERT_TRUE(program.SendPacket(kCmdDump, 0x1000000, 3072));
  std::vector<uint8_t> data;
  EXPECT_FALSE(program.ReceiveDump(3072, &data).has_value());
  EXPECT_EQ(data.size(), 1024u);
  EXPECT_TRUE(program.Port().HungUp(kSettle));
  ASSERT_TRUE(Await([](const TranscriptData& d) { return d.stats.lineDrops == 1; }));
  EXPECT_NE(handset->SlavePath(), firstPath);
  EXPECT_EQ(std::filesystem::read_symlink(link), handset->SlavePath());
  program.Close();
  ASSERT_TRUE(program.Open(link, kBootSpeed));
  EXPECT_TRUE(program.Handshake(SpeedSwitch::kFollow));
}

// Reads blocks from a dump of blocks of `blockSize` bytes at `address`,
// answering each 0x06, until `numbers` blocks have come; checks
// each against the fresh image under the number it carries.
void ExpectBlocksAcked(HandProgram& program, uint32_t address, uint32_t blockSize,
                       const std::vector<uint16_t>& numbers) {
  ASSERT_TRUE(program.Port().Write({kAck}));
  for (uint16_t number : numbers) {
    SCOPED_TRACE(number);
    std::optional<std::vector<uint8_t>> block = program.ReadBlock();
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(*block, FreshBlock(number, address + (number - 1) * blockSize, blockSize));
    ASSERT_TRUE(program.Port().Write({kAck}));
  }
}

// The end to end tests see the link cut an oversize last block; here, that
// the extra bytes stop at the bank's end and that the fault is spent after
// one dump.
TEST_F(SimHandsetFaultsTest, OversizeLastBlockCarriesTheFlashThatFollowsUpToTheBanksEnd) {
  constexpr uint32_t kSize = 1500;
  constexpr uint32_t kLast = kSize - 1024;
  constexpr uint32_t kCarried = 40;
  constexpr uint32_t kAddress = kBank1Base + kBankSize - kSize - kCarried;
  FaultPlan faults;
  faults.oversizeLastBlock = 100;
  StartConnected(faults, 1024);
  ASSERT_TRUE(program.SendPacket(kCmdDump, kAddress, kSize));
  ExpectBlocksAcked(program, kAddress, 1024, {1});
  EXPECT_EQ(program.ReadBlock(), FreshBlock(2, kAddress + 1024, kLast + kCarried));
  ASSERT_TRUE(Write({kAck}));
  EXPECT_EQ(Next(), kResponseOk);
  // Spent: the next dump's last block holds what remains, no more.
  ASSERT_TRUE(program.SendPacket(kCmdDump, kAddress, kLast));
  std::vector<uint8_t> data;
  EXPECT_EQ(program.ReceiveDump(kLast, &data), kResponseOk);
  EXPECT_EQ(handset->Transcript().BlockLengths(TransferKind::Dump),
            (std::vector<uint32_t>{1024, kLast + kCarried, kLast}));
}

// --- the loader's own refusals ---

TEST_F(SimHandsetFaultsTest, FlashBlockOverASectorBoundaryIsRefusedAndCounted) {
  StartConnected(FaultPlan{}, 8192);
  ASSERT_EQ(program.Command(kCmdState, kStateFlash, 0), kResponseOk);
  ASSERT_TRUE(program.SendPacket(kCmdFlash, 0x100F000, 0x3000));
  ASSERT_EQ(Next(), kAck);
  ASSERT_TRUE(Write(HandProgram::Block(1, Data(0x2000, 0))));
  EXPECT_EQ(Next(), kDc4);
  EXPECT_EQ(Next(), kLoaderSectorCrossed);
  EXPECT_EQ(handset->Transcript().stats.sectorCrossings, 1u);
}

TEST_F(SimHandsetFaultsTest, BadBlocksAreAnsweredNak) {
  StartConnected(FaultPlan{}, 1024);
  const std::vector<uint8_t> data = Data(1024, 5);
  std::vector<uint8_t> badCrc = HandProgram::Block(1, data);
  badCrc.back() ^= 0xFF;
  ASSERT_TRUE(program.SendPacket(kCmdUpload, 1024, 0));
  ASSERT_EQ(Next(), kAck);
  for (const std::vector<uint8_t>& bad : {HandProgram::Block(1, Data(2048, 5)), HandProgram::Block(2, data), badCrc}) {
    ASSERT_TRUE(Write(bad));
    EXPECT_EQ(Next(), kNak);
  }
  ASSERT_TRUE(Write(HandProgram::Block(1, data)));
  EXPECT_EQ(Next(), kAck);
  EXPECT_EQ(Next(), kResponseOk);
  HandsetStats stats = handset->Transcript().stats;
  EXPECT_EQ(stats.badBlocks, 3u);
  EXPECT_EQ(stats.oversizedBlocks, 1u);
}

TEST_F(SimHandsetFaultsTest, RefusesUnknownCommandsArgumentsAndRegions) {
  StartConnected(FaultPlan{}, 1024);
  EXPECT_EQ(program.Command(0x77, 0, 0), kResponseNotImplemented);
  EXPECT_EQ(program.Command(kCmdLineSpeed, 12345, 0), kLoaderBadArgument);
  EXPECT_EQ(program.Command(kCmdBlockSize, 0x10000, 0), kLoaderBadArgument);
  EXPECT_EQ(program.Command(kCmdState, 0x99, 0), kLoaderBadArgument);
  ASSERT_TRUE(Write({0x05, kCmdBlockSize, 0, 0, 0, 0}));
  EXPECT_EQ(Next(), kLoaderBadArgument);
  ASSERT_TRUE(program.SendPacket(kCmdDump, 0xFFFFFF, 16));
  ASSERT_TRUE(Write({kAck}));
  EXPECT_EQ(Next(), kDc4);
  EXPECT_EQ(Next(), kLoaderBadRegion);
  EXPECT_EQ(program.Command(kCmdFlash, 0x27FFFF0, 0x20), kLoaderBadRegion);
}

TEST_F(SimHandsetFaultsTest, EndsATransferTheProgramAbandonsOrLeaves) {
  StartConnected(FaultPlan{}, 1024);
  ASSERT_TRUE(program.SendPacket(kCmdUpload, 2048, 0));
  ASSERT_EQ(Next(), kAck);
  ASSERT_TRUE(Write({kCan}));
  EXPECT_EQ(Next(), kLoaderAbandoned);
  ASSERT_TRUE(program.SendPacket(kCmdUpload, 2048, 0));
  ASSERT_EQ(Next(), kAck);
  EXPECT_EQ(Next(), kLoaderTimedOut);  // after the handset's answer time-out
  EXPECT_EQ(handset->Transcript().stats.transferTimeouts, 1u);
}

}  // namespace
}  // namespace varnel::sim
