// Dumps end to end: the region read back exactly, CRC failures within and
// beyond the retry budget, the loader's abort, region errors and a stop.
#include <sys/stat.h>

#include <array>

#include "tests/handset_fixture.h"

namespace varnel::testing {
namespace {

constexpr uint32_t kRegion = 0x2500000;
constexpr uint32_t kLength = 0x9000;  // 36 blocks of 1024 bytes

class DumpTest : public HandsetTest {};

TEST_F(DumpTest, ReadsTheRegionBackExactly) {
  StartHandset();
  Connect(460800, 4096);
  Run(TransferKind::Dump, kRegion, kLength + 100, dir / "dump.bin");
  EXPECT_EQ(ReadFile(dir / "dump.bin"), Flash(kRegion, kLength + 100));
  EXPECT_EQ(owner.LastTransfer().bytes, kLength + 100);
  EXPECT_TRUE(Logged("Offset = 0x2500000, size = 0x9064"));
  EXPECT_TRUE(Logged("Receive started"));
  EXPECT_TRUE(Logged("Receive finished!"));
  EXPECT_TRUE(Logged("Time elapsed [00:00]") || Logged("Time elapsed [00:01]"));
  const std::vector<std::string> end = LogFrom("Receive finished!");
  ASSERT_GE(end.size(), 3u);
  EXPECT_TRUE(end[1].starts_with("Time elapsed ["));
  EXPECT_TRUE(end[2].starts_with("Average rate ") && end[2].ends_with(" KiB/s")) << end[2];
  sim::TranscriptData t = handset->Transcript();
  ASSERT_EQ(t.Packets(kCmdDump).size(), 1u);
  EXPECT_EQ(t.Packets(kCmdDump)[0].raw,
            (std::vector<uint8_t>{9, 0x34, 0x00, 0x00, 0x50, 0x02, 0x64, 0x90, 0x00, 0x00}));
  for (const sim::PacketRecord& p : t.Packets(kCmdState)) EXPECT_EQ(p.response, std::optional<uint8_t>(0));
  ASSERT_EQ(t.Packets(kCmdState).size(), 3u);
  EXPECT_EQ(t.Packets(kCmdState)[1].packet.first, kStateDump);
  EXPECT_EQ(t.Transfers(TransferKind::Dump)[0].programControls.back(), kAck);
  EXPECT_EQ(owner.Events(), (std::vector<std::string>{"warning 4", "ready", "warning 6", "busy", "ready", "transfer"}));
}

// A USB adapter holds the handset's bytes and passes them on in packets:
// every block and answer still arrives whole and in order, and nothing is
// taken for a fault.
TEST_F(DumpTest, AnAdapterThatHoldsBytesChangesNothingButTime) {
  adapterLatency = std::chrono::milliseconds(16);
  StartHandset();
  Connect(460800, 1024);
  Run(TransferKind::Dump, kRegion, kLength + 100, dir / "dump.bin");
  EXPECT_EQ(ReadFile(dir / "dump.bin"), Flash(kRegion, kLength + 100));
  WriteFile(dir / "image.bin", std::vector<uint8_t>(3000, 0x5A));
  Run(TransferKind::Flash, kRegion, 0, dir / "image.bin");
  EXPECT_EQ(Flash(kRegion, 3000), std::vector<uint8_t>(3000, 0x5A));
  for (const LogLine& line : owner.Lines()) EXPECT_NE(line.colour, kRed) << line.text;
  EXPECT_EQ(handset->Transcript().stats.garbledFromProgram, 0u);
}

TEST_F(DumpTest, FiveCrcFailuresAreRecoveredSixEndTheTransfer) {
  sim::FaultPlan faults;
  faults.corruptCrc = {3, 5, 1};  // blocks 3 to 7, each bad once
  StartHandset(faults);
  Connect();
  Run(TransferKind::Dump, kRegion, kLength, dir / "five.bin");
  EXPECT_EQ(ReadFile(dir / "five.bin"), Flash(kRegion, kLength));
  EXPECT_TRUE(Logged("XM CRC Error (58) (Serial_XM:312)"));
  EXPECT_FALSE(Logged("XM CRC Error (58) (Serial_XM:443)"));

  faults.corruptCrc = {3, 6, 1};  // a sixth failure in the same transfer
  handset->SetFaults(faults);
  Run(TransferKind::Dump, kRegion, kLength, dir / "six.bin");
  EXPECT_TRUE(Logged("XM CRC Error (58) (Serial_XM:443)"));
  // Blocks 3 to 7 were asked for again and got through; block 8's failure
  // found the budget spent. The file holds exactly blocks 1 to 7.
  EXPECT_EQ(ReadFile(dir / "six.bin"), Flash(kRegion, 7 * 1024));
  EXPECT_EQ(owner.LastTransfer().status, kStatusCrcMismatch);
  sim::TransferRecord last = handset->Transcript().Transfers(TransferKind::Dump).back();
  EXPECT_EQ(last.programControls.back(), kCan);
}

TEST_F(DumpTest, LoaderAbortEndsTheReceiveWithoutCancel) {
  sim::FaultPlan faults;
  faults.abortDumpAtBlock = 4;
  StartHandset(faults);
  Connect();
  Run(TransferKind::Dump, kRegion, kLength, dir / "abort.bin");
  EXPECT_TRUE(Logged("Error (55) (Serial_XM:326)"));
  EXPECT_EQ(ReadFile(dir / "abort.bin"), Flash(kRegion, 3 * 1024));
  sim::TransferRecord dump = handset->Transcript().Transfers(TransferKind::Dump).back();
  EXPECT_EQ(std::count(dump.programControls.begin(), dump.programControls.end(), kCan), 0);
  EXPECT_EQ(owner.LastTransfer().bytes, 3u * 1024);
}

// ---- Failures ----

TEST_F(DumpTest, RegionErrorsSendNothingAndTouchNoFile) {
  StartHandset();
  Connect();
  struct Case {
    uint32_t offset;
    uint32_t size;
    const char* report;
  };
  const std::array<Case, 4> kCases = {{
      {0xFFFFFF, 1, "File is too big or Address wrong (57) (Serial_XM:423)"},
      {0x2500000, 0x300001, "File is too big or Address wrong (56) (Serial_XM:428)"},
      {0x1800000, 1, "File is too big or Address wrong (56) (Serial_XM:428)"},
      {0xF0000000, 0x10000000, "File is too big or Address wrong (56) (Serial_XM:428)"},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.offset);
    Run(TransferKind::Dump, c.offset, c.size, dir / "region.bin");
    EXPECT_TRUE(Logged(c.report));
  }
  EXPECT_TRUE(handset->Transcript().Packets(kCmdDump).empty());
  EXPECT_FALSE(std::filesystem::exists(dir / "region.bin"));
}

// Each kind of file refused and its reason: tests/transfer_file_posix_test.cpp.
TEST_F(DumpTest, ATargetThatIsNotARegularFileIsRefusedBeforeThePacket) {
  StartHandset();
  Connect();
  ASSERT_EQ(::mkfifo((dir / "fifo.bin").c_str(), 0600), 0);
  Run(TransferKind::Dump, kRegion, kLength, dir / "fifo.bin");
  std::vector<std::string> after = LogFrom("Offset = 0x2500000, size = 0x9000");
  ASSERT_GE(after.size(), 4u);
  EXPECT_EQ(after[1], "Can't open file (15) (Serial_XM:429)");
  EXPECT_EQ(after[2], (dir / "fifo.bin").string() + ": not a regular file");
  EXPECT_TRUE(handset->Transcript().Packets(kCmdDump).empty()) << "nothing sent";
  EXPECT_TRUE(std::filesystem::is_fifo(dir / "fifo.bin"));
}

TEST_F(DumpTest, UncreatableFileCancelsTheLoadersTransfer) {
  StartHandset();
  Connect();
  Run(TransferKind::Dump, kRegion, kLength, dir / "no-such-dir" / "dump.bin");
  EXPECT_TRUE(Logged("Can't open file (15) (Serial_XM:436)"));
  EXPECT_FALSE(std::filesystem::exists(dir / "no-such-dir"));
  sim::TransferRecord dump = handset->Transcript().Transfers(TransferKind::Dump).back();
  EXPECT_EQ(dump.programControls, std::vector<uint8_t>{kCan});
  // The link stays usable.
  Run(TransferKind::Dump, kRegion, 1024, dir / "after.bin");
  EXPECT_EQ(ReadFile(dir / "after.bin"), Flash(kRegion, 1024));
}

// A stop acts between blocks: the block under way (here held up in its
// middle) arrives whole and is kept, then 0x18 and the loader's closing
// response; none of its bytes is taken for a response.
TEST_F(DumpTest, AStopInTheMiddleOfABlockKeepsItWholeAndEndsTheConnection) {
  sim::FaultPlan faults;
  faults.stallBlock = {3, 100, std::chrono::milliseconds(400), 1};
  StartHandset(faults);
  Connect(kUploadSpeed, 8192);
  Start(TransferKind::Dump, kBank1Base, kBankSize, dir / "stopped.bin");
  // The ready byte and two acknowledgements: block 3 is on its way, and
  // held up after its first 100 bytes.
  ASSERT_TRUE(handset->WaitFor(
      [](const sim::TranscriptData& d) {
        auto dumps = d.Transfers(TransferKind::Dump);
        return !dumps.empty() && dumps.back().programControls.size() >= 3;
      },
      std::chrono::seconds(10)));
  link->Stop();
  ASSERT_TRUE(owner.WaitFor("closed", 1, kSessionTimeout));
  link->Join();
  sim::TransferRecord dump = handset->Transcript().Transfers(TransferKind::Dump).back();
  EXPECT_EQ(dump.programControls.back(), kCan);
  std::vector<uint8_t> stopped = ReadFile(dir / "stopped.bin");
  EXPECT_EQ(stopped.size(), 3u * 8192);
  EXPECT_EQ(stopped, Flash(kBank1Base, static_cast<uint32_t>(stopped.size())));
  EXPECT_TRUE(Logged("Dump stopped: 24576 bytes saved"));
  for (const std::string& line : owner.Texts()) EXPECT_EQ(line.find("Response [0x"), std::string::npos) << line;
  for (const LogLine& line : owner.Lines()) EXPECT_NE(line.colour, kRed) << line.text;
  EXPECT_FALSE(owner.LastTransfer().confirmed && owner.LastTransfer().bytes == kBankSize);
  EXPECT_EQ(LogFrom("Receive finished!").back(), "Com port closed");
}

}  // namespace
}  // namespace varnel::testing
