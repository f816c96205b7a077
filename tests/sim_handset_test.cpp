// The simulated handset driven by hand over its pseudo-terminal: line
// speeds like a cable, the boot ROM's queued offers, what closing the port
// and a power cycle do, its link, transcript file and refusals to start.
// (A whole connection, flash, dump and disconnect against the image file
// are what every end to end test makes, the speed command's switch after
// its answer what tests/e2e_connect_test.cpp's raised speed needs.)
#include "sim/handset.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "format/wire_format.h"
#include "sim/hand_program.h"
#include "tests/sim_handset_fixture.h"

namespace varnel::sim {
namespace {

using std::chrono::milliseconds;

// A program at the wrong speed sees only garbage, and the handset only
// garbage from it, both ways recorded with the two speeds.
TEST_F(SimHandsetTest, ALineAtTheWrongSpeedGarblesBothWays) {
  Start();
  EXPECT_EQ(program.ReadByte(milliseconds(1000)), kBootOffer);
  ASSERT_TRUE(program.Port().SetSpeed(kUploadSpeed));
  program.Port().Flush();
  std::vector<uint8_t> noise = program.Port().Read(3, milliseconds(1000));
  ASSERT_EQ(noise.size(), 3u);
  for (uint8_t byte : noise) EXPECT_EQ(byte & 0xF0, 0xE0);  // never an offer
  // A program that misses the switch to the upload speed: its S-records
  // are dropped when the handset's line time-out passes.
  ASSERT_TRUE(program.Port().SetSpeed(kBootSpeed));
  ASSERT_TRUE(program.Handshake(SpeedSwitch::kForget));
  EXPECT_FALSE(program.SendStageOne({1, 2, 3}).has_value());
  ASSERT_TRUE(Await([](const TranscriptData& d) { return !d.Received(Phase::kSRecords).empty(); }));
  TranscriptData t = handset->Transcript();
  EXPECT_FALSE(t.bootResponse.has_value());
  bool sawOffers = false, sawRecords = false;
  for (const LineChunk& chunk : t.chunks) {
    if (chunk.direction == Direction::kFromProgram && chunk.phase == Phase::kSRecords) {
      sawRecords = true;
      EXPECT_TRUE(chunk.garbled);
      EXPECT_EQ(chunk.programSpeed, kBootSpeed);
      EXPECT_EQ(chunk.handsetSpeed, kUploadSpeed);
    } else if (chunk.direction == Direction::kToProgram && chunk.garbled) {
      sawOffers = true;
      EXPECT_EQ(chunk.programSpeed, kUploadSpeed);
      EXPECT_EQ(chunk.handsetSpeed, kBootSpeed);
    }
  }
  EXPECT_TRUE(sawOffers);
  EXPECT_TRUE(sawRecords);
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

// Closing the port leaves the loader running unless the handset is told to
// power off then; a power cycle restarts the boot ROM on the open port.
TEST_F(SimHandsetTest, AClosedPortOrAPowerCycleLeavesTheLoaderOrTheBootRom) {
  enum class Way { kClose, kCloseAndPowerOff, kPowerCycle };
  for (Way way : {Way::kClose, Way::kCloseAndPowerOff, Way::kPowerCycle}) {
    SCOPED_TRACE(static_cast<int>(way));
    options.afterHangUp = way == Way::kCloseAndPowerOff ? AfterHangUp::kPowerOff : AfterHangUp::kKeepLoader;
    StartConnected({}, 1024);
    if (way == Way::kPowerCycle) {
      handset->PowerCycle();
      ASSERT_TRUE(program.Port().SetSpeed(kBootSpeed));
      EXPECT_EQ(handset->Transcript().stats.connections, 1u);  // not a new connection
    } else {
      program.Close();
      ASSERT_TRUE(Await([](const TranscriptData& d) { return d.stats.programHangUps == 1; }));
      ASSERT_TRUE(program.Open(handset->SlavePath(), way == Way::kClose ? kUploadSpeed : kBootSpeed));
    }
    if (way == Way::kClose) {
      EXPECT_EQ(program.Command(kCmdState, kStateIdle, 0), kResponseOk);
      EXPECT_EQ(handset->Mode(), HandsetMode::kLoader);
    } else {
      EXPECT_TRUE(program.Handshake(SpeedSwitch::kFollow));
    }
  }
}

// The link follows the handset to its new pseudo-terminal after a hang-up;
// the transcript file gets each connection as it ends; Stop removes the
// link.
TEST_F(SimHandsetTest, KeepsItsLinkAcrossAHangUpAndWritesTheTranscriptFile) {
  options.linkPath = (dir / "ttyHANDSET").string();
  options.transcriptPath = (dir / "transcript.txt").string();
  options.retention = TranscriptRetention::kDropWritten;
  Start(With(&FaultPlan::hangUp, {TransferKind::Dump, 1}));
  const std::string firstPath = handset->SlavePath();
  EXPECT_EQ(std::filesystem::read_symlink(options.linkPath), firstPath);
  program.Close();
  ASSERT_TRUE(program.Open(options.linkPath, kBootSpeed));
  ASSERT_TRUE(program.Connect(2048));
  ASSERT_TRUE(program.SendPacket(kCmdDump, 0x1000000, 6144));
  std::vector<uint8_t> data;
  EXPECT_FALSE(program.ReceiveDump(6144, &data).has_value());
  EXPECT_EQ(data, FreshBytes(0x1000000, 2048));
  EXPECT_TRUE(program.Port().HungUp(kSettle));
  ASSERT_TRUE(Await([&](const TranscriptData&) { return handset->SlavePath() != firstPath; }));
  EXPECT_EQ(std::filesystem::read_symlink(options.linkPath), handset->SlavePath());
  program.Close();
  ASSERT_TRUE(program.Open(options.linkPath, kBootSpeed));
  EXPECT_TRUE(program.Handshake(SpeedSwitch::kFollow));
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
