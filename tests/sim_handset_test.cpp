// The simulated handset driven by hand over its pseudo-terminal: a whole
// connection, the flash image across restarts, line speeds like a cable,
// and what closing the port, 0x13 and a power cycle do.
#include "sim/handset.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "format/wire_format.h"
#include "sim/flash_layout.h"
#include "sim/hand_program.h"
#include "sim/package_builder.h"
#include "tests/sim_handset_fixture.h"

namespace varnel::sim {
namespace {

using std::chrono::milliseconds;

TEST_F(SimHandsetTest, ServesAWholeConnection) {
  StartConnected({}, 4096);
  const std::vector<uint8_t> chunk = MakeStandInPackage(0, {5000}, 9).chunks[0];
  ASSERT_TRUE(program.SendPacket(kCmdUpload, 5000, 0));
  std::vector<uint8_t> answers;
  EXPECT_EQ(program.SendBlocks(chunk, 4096, &answers), kResponseOk);
  EXPECT_EQ(program.Command(kCmdState, kStateFlash, 0), kResponseOk);
  const std::vector<uint8_t> image = MakeStandInPackage(0, {0x3000}, 4).chunks[0];
  ASSERT_TRUE(program.SendPacket(kCmdFlash, 0x27EF000, 0x3000));
  EXPECT_EQ(program.SendBlocks(image, 4096, &answers), kResponseOk);
  EXPECT_EQ(program.Command(kCmdState, kStateDump, 0), kResponseOk);
  ASSERT_TRUE(program.SendPacket(kCmdDump, 0x27EE800, 0x3800));
  std::vector<uint8_t> dumped;
  EXPECT_EQ(program.ReceiveDump(0x3800, &dumped), kResponseOk);

  std::vector<uint8_t> expected = FreshBytes(0x27EE800, 0x800);
  expected.insert(expected.end(), image.begin(), image.end());
  EXPECT_EQ(dumped, expected);
  TranscriptData t = handset->Transcript();
  EXPECT_EQ(t.Received(Phase::kBootWait), std::vector<uint8_t>{kBootAnswer});
  EXPECT_EQ(t.atLines, (std::vector<std::string>{"AT", "AT**3"}));
  EXPECT_EQ(t.bootResponse, kResponseOk);
  EXPECT_EQ(t.records, 2u);
  ASSERT_EQ(t.Packets(kCmdBlockSize).size(), 1u);
  EXPECT_EQ(t.Packets(kCmdBlockSize)[0].raw, (std::vector<uint8_t>{0x05, 0x36, 0x00, 0x10, 0x00, 0x00}));
  EXPECT_EQ(t.UploadedChunks(), std::vector<std::vector<uint8_t>>{chunk});
  EXPECT_EQ(t.BlockLengths(TransferKind::Upload), (std::vector<uint32_t>{4096, 904}));
  EXPECT_EQ(t.BlockLengths(TransferKind::Flash), (std::vector<uint32_t>{0x1000, 0x1000, 0x1000}));
  EXPECT_EQ(t.BlockLengths(TransferKind::Dump), (std::vector<uint32_t>{0x1000, 0x1000, 0x1000, 0x800}));
  EXPECT_EQ(t.Transfers(TransferKind::Dump)[0].programControls, std::vector<uint8_t>(5, kAck));
  EXPECT_EQ(t.stats.sectorCrossings + t.stats.badBlocks + t.stats.garbledFromProgram +
                t.stats.flashesOutsideFlashState + t.stats.dumpsOutsideDumpState,
            0u);

  ASSERT_TRUE(program.SendPacket(kCmdDisconnect, 0, 0));
  program.Close();
  ASSERT_TRUE(Await([](const TranscriptData& d) { return d.stats.programHangUps == 1; }));
  ASSERT_TRUE(program.Open(handset->SlavePath(), kBootSpeed));
  EXPECT_TRUE(program.Handshake(SpeedSwitch::kFollow));  // powered off by 0x13
}

TEST_F(SimHandsetTest, ImageFileKeepsAFlashAcrossARestart) {
  options.flashImagePath = (dir / "image.bin").string();
  const std::vector<uint8_t> data = MakeStandInPackage(0, {0x2000}, 5).chunks[0];
  StartConnected({}, 1024);
  ASSERT_TRUE(program.SendPacket(kCmdFlash, 0x1000000, 0x2000));
  std::vector<uint8_t> answers;
  ASSERT_EQ(program.SendBlocks(data, 1024, &answers), kResponseOk);
  program.Close();
  handset.reset();

  StartConnected({}, 8192);
  ASSERT_TRUE(program.SendPacket(kCmdDump, 0x1000000, 0x2400));
  std::vector<uint8_t> dumped;
  ASSERT_EQ(program.ReceiveDump(0x2400, &dumped), kResponseOk);
  std::vector<uint8_t> expected = data;
  std::vector<uint8_t> after = FreshBytes(0x1002000, 0x400);
  expected.insert(expected.end(), after.begin(), after.end());
  EXPECT_EQ(dumped, expected);
}

TEST_F(SimHandsetTest, OffersCrossOnlyAtTheBootSpeed) {
  Start();
  EXPECT_EQ(program.ReadByte(milliseconds(1000)), kBootOffer);
  ASSERT_TRUE(program.Port().SetSpeed(kUploadSpeed));
  program.Port().Flush();
  std::vector<uint8_t> noise = program.Port().Read(3, milliseconds(1000));
  ASSERT_EQ(noise.size(), 3u);
  for (uint8_t byte : noise) {
    EXPECT_NE(byte, kBootOffer);
    EXPECT_EQ(byte & 0xF0, 0xE0);
  }
  bool sawGarbled = false;
  for (const LineChunk& chunk : handset->Transcript().chunks) {
    if (!chunk.garbled) continue;
    sawGarbled = true;
    EXPECT_EQ(chunk.direction, Direction::kToProgram);
    EXPECT_EQ(chunk.programSpeed, kUploadSpeed);
    EXPECT_EQ(chunk.handsetSpeed, kBootSpeed);
  }
  EXPECT_TRUE(sawGarbled);
}

TEST_F(SimHandsetTest, OffersQueuedBeforeTheAnswerDoNotHideTheOkLine) {
  Start();
  // Offers pile up unread.
  ASSERT_TRUE(Await([](const TranscriptData& d) {
    size_t offered = 0;
    for (const LineChunk& c : d.chunks) {
      if (c.direction == Direction::kToProgram) offered += c.bytes.size();
    }
    return offered >= 3;
  }));
  ASSERT_EQ(program.ReadByte(), kBootOffer);
  ASSERT_TRUE(program.Port().Write({kBootAnswer}));
  ASSERT_TRUE(program.Port().WriteText(kAtText));
  // The queued offers end with the CR in front of "OK": a line of their own.
  std::vector<uint8_t> offers = program.Port().ReadUntil(kLineEnd, kSettle);
  ASSERT_FALSE(offers.empty());
  EXPECT_EQ(offers.back(), kLineEnd);
  std::vector<uint8_t> ok = program.Port().ReadUntil(kLineEnd, kSettle);
  EXPECT_EQ(std::string(ok.begin(), ok.end()), "\nOK\r");
}

TEST_F(SimHandsetTest, AProgramThatMissesTheUploadSpeedFails) {
  Start();
  ASSERT_TRUE(program.Handshake(SpeedSwitch::kForget));
  EXPECT_FALSE(program.SendStageOne({1, 2, 3}).has_value());
  // The handset drops the garbled line when its line time-out passes.
  ASSERT_TRUE(Await([](const TranscriptData& d) { return !d.Received(Phase::kSRecords).empty(); }));
  TranscriptData t = handset->Transcript();
  EXPECT_FALSE(t.bootResponse.has_value());
  bool sawRecordBytes = false;
  for (const LineChunk& chunk : t.chunks) {
    if (chunk.phase != Phase::kSRecords) continue;
    sawRecordBytes = true;
    EXPECT_TRUE(chunk.garbled);
    EXPECT_EQ(chunk.programSpeed, kBootSpeed);
    EXPECT_EQ(chunk.handsetSpeed, kUploadSpeed);
  }
  EXPECT_TRUE(sawRecordBytes);
}

TEST_F(SimHandsetTest, LineSpeedCommandSwitchesAfterItsAnswer) {
  StartConnected({}, 1024);
  EXPECT_EQ(program.Command(kCmdLineSpeed, 460800, 0), kResponseOk);
  // Still at 115200: the packet arrives garbled and goes unanswered.
  ASSERT_TRUE(program.SendPacket(kCmdState, kStateIdle, 0));
  EXPECT_FALSE(program.ReadByte(milliseconds(300)).has_value());
  ASSERT_TRUE(program.Port().SetSpeed(460800));
  EXPECT_EQ(program.Command(kCmdState, kStateIdle, 0), kResponseOk);
  EXPECT_EQ(handset->LineSpeed(), 460800u);
  EXPECT_GT(handset->Transcript().stats.garbledFromProgram, 0u);
}

TEST_F(SimHandsetTest, ClosedPortLeavesTheLoaderRunning) {
  StartConnected({}, 1024);
  program.Close();
  ASSERT_TRUE(Await([](const TranscriptData& d) { return d.stats.programHangUps == 1; }));
  ASSERT_TRUE(program.Open(handset->SlavePath(), kUploadSpeed));
  EXPECT_EQ(program.Command(kCmdState, kStateIdle, 0), kResponseOk);
  EXPECT_EQ(handset->Mode(), HandsetMode::kLoader);
}

TEST_F(SimHandsetTest, ClosedPortPowersOffWhenAskedTo) {
  options.afterHangUp = AfterHangUp::kPowerOff;
  StartConnected({}, 1024);
  program.Close();
  ASSERT_TRUE(Await([](const TranscriptData& d) { return d.stats.programHangUps == 1; }));
  ASSERT_TRUE(program.Open(handset->SlavePath(), kBootSpeed));
  EXPECT_TRUE(program.Handshake(SpeedSwitch::kFollow));
}

TEST_F(SimHandsetTest, PowerCycleRestartsTheBootRomOnAnOpenPort) {
  StartConnected({}, 1024);
  handset->PowerCycle();
  ASSERT_TRUE(program.Port().SetSpeed(kBootSpeed));
  EXPECT_TRUE(program.Handshake(SpeedSwitch::kFollow));
  EXPECT_EQ(handset->Transcript().stats.connections, 1u);
}

TEST_F(SimHandsetTest, KeepsTheLinkAndWritesTheTranscriptFile) {
  options.linkPath = (dir / "ttyHANDSET").string();
  options.transcriptPath = (dir / "transcript.txt").string();
  options.retention = TranscriptRetention::kDropWritten;
  Start();
  EXPECT_EQ(std::filesystem::read_symlink(options.linkPath), handset->SlavePath());
  program.Close();
  ASSERT_TRUE(program.Open(options.linkPath, kBootSpeed));
  ASSERT_TRUE(program.Connect(2048));
  program.Close();
  ASSERT_TRUE(Await([](const TranscriptData& d) { return d.chunks.empty(); }));
  std::stringstream text;
  text << std::ifstream(options.transcriptPath).rdbuf();
  EXPECT_NE(text.str().find("== connection 1 =="), std::string::npos);
  EXPECT_NE(text.str().find("packet 05 36 00 08 00 00 response 00"), std::string::npos);
  handset->Stop();
  EXPECT_FALSE(std::filesystem::is_symlink(options.linkPath));
}

// --- error paths ---

TEST_F(SimHandsetTest, RefusesAnUnusableImageOrLink) {
  const std::string file = (dir / "occupied").string();
  std::ofstream(file) << "x";
  HandsetOptions wrong = options;
  wrong.flashImagePath = file;
  Handset wrongImage(wrong);
  EXPECT_EQ(wrongImage.Start(), StartResult::kImageFailed);
  EXPECT_EQ(wrongImage.ImageResult(), ImageOpenResult::kWrongSize);
  wrong = options;
  wrong.linkPath = file;
  Handset wrongLink(wrong);
  EXPECT_EQ(wrongLink.Start(), StartResult::kLinkFailed);
}

}  // namespace
}  // namespace varnel::sim
