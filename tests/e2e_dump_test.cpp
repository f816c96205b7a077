// Dumps end to end: the region read back exactly, through an adapter that
// holds bytes too, CRC failures beyond the retry budget, the loader's abort,
// region errors and files refused (for a flash too), a stop and a hang-up.
#include <sys/stat.h>

#include <array>

#include "tests/handset_fixture.h"

namespace varnel::testing {
namespace {

constexpr uint32_t kRegion = 0x2500000;
constexpr uint32_t kLength = 0x9000;  // 36 blocks of 1024 bytes

class DumpTest : public HandsetTest {};

// A USB adapter holds the handset's bytes and passes them on in packets:
// every block and answer still arrives whole and in order, and nothing is
// taken for a fault.
TEST_F(DumpTest, ReadsTheRegionBackExactlyAlsoThroughAnAdapterThatHoldsBytes) {
  for (const std::chrono::milliseconds latency : {std::chrono::milliseconds(0), std::chrono::milliseconds(16)}) {
    SCOPED_TRACE(latency.count());
    adapterLatency = latency;
    StartHandset();
    Connect(460800, 4096);
    Run(TransferKind::Dump, kRegion, kLength + 100, dir / "dump.bin");
    EXPECT_EQ(ReadFile(dir / "dump.bin"), Flash(kRegion, kLength + 100));
    EXPECT_EQ(owner.LastTransfer().bytes, kLength + 100);
    EXPECT_TRUE(Logged("Offset = 0x2500000, size = 0x9064"));
    EXPECT_TRUE(Logged("Receive started"));
    const std::vector<std::string> end = LogFrom("Receive finished!");
    ASSERT_GE(end.size(), 3u);
    EXPECT_TRUE(end[1] == "Time elapsed [00:00]" || end[1] == "Time elapsed [00:01]") << end[1];
    EXPECT_TRUE(end[2].starts_with("Average rate ") && end[2].ends_with(" KiB/s")) << end[2];
    sim::TranscriptData t = handset->Transcript();
    ASSERT_EQ(t.Packets(kCmdDump).size(), 1u);
    EXPECT_EQ(t.Packets(kCmdDump)[0].raw,
              (std::vector<uint8_t>{9, 0x34, 0x00, 0x00, 0x50, 0x02, 0x64, 0x90, 0x00, 0x00}));
    for (const sim::PacketRecord& p : t.Packets(kCmdState)) EXPECT_EQ(p.response, std::optional<uint8_t>(0));
    ASSERT_EQ(t.Packets(kCmdState).size(), 3u);
    EXPECT_EQ(t.Packets(kCmdState)[1].packet.first, kStateDump);
    EXPECT_EQ(t.Transfers(TransferKind::Dump)[0].programControls.back(), kAck);
    EXPECT_EQ(owner.Events(),
              (std::vector<std::string>{"warning 4", "ready", "warning 6", "busy", "ready", "transfer"}));
    WriteFile(dir / "image.bin", std::vector<uint8_t>(3000, 0x5A));
    Run(TransferKind::Flash, kRegion, 0, dir / "image.bin");
    EXPECT_EQ(Flash(kRegion, 3000), std::vector<uint8_t>(3000, 0x5A));
    for (const LogLine& line : owner.Lines()) EXPECT_NE(line.colour, kRed) << line.text;
    EXPECT_EQ(handset->Transcript().stats.garbledFromProgram, 0u);
  }
}

// A sixth CRC failure (five are recovered: tests/e2e_hostile_line_test.cpp)
// ends the receive with 0x18; the loader's abort ends it without. Either
// way the file holds exactly the blocks that got through.
TEST_F(DumpTest, ASixthCrcFailureOrTheLoadersAbortEndsTheReceive) {
  struct Case {
    const char* what;
    sim::FaultPlan faults;
    const char* report;
    uint32_t blocksKept;
    LinkStatus status;
    bool cancelled;
  };
  const std::array<Case, 2> kCases = {{
      // Blocks 3 to 8 bad once each: 3 to 7 got through when asked again,
      // block 8 found the budget spent.
      {"six bad CRCs", {.corruptCrc = {3, 6, 1}}, "XM CRC Error (58) (Serial_XM:443)", 7, kStatusCrcMismatch, true},
      {"the loader's abort", {.abortDumpAtBlock = 4}, "Error (55) (Serial_XM:326)", 3, kStatusOk, false},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    StartHandset(c.faults);
    Connect();
    Run(TransferKind::Dump, kRegion, kLength, dir / "cut.bin");
    EXPECT_TRUE(Logged(c.report));
    EXPECT_EQ(ReadFile(dir / "cut.bin"), Flash(kRegion, c.blocksKept * 1024));
    EXPECT_EQ(owner.LastTransfer().status, c.status);
    EXPECT_EQ(owner.LastTransfer().bytes, c.blocksKept * 1024);
    const sim::TransferRecord dump = handset->Transcript().Transfers(TransferKind::Dump).back();
    EXPECT_EQ(std::count(dump.programControls.begin(), dump.programControls.end(), kCan), c.cancelled ? 1 : 0);
  }
}

// ---- Failures ----

// Each kind of file refused and its reason: tests/transfer_file_posix_test.cpp.
TEST_F(DumpTest, RefusedRegionsAndFilesSendNothingAndTouchNoFileAnUncreatableOneCancels) {
  StartHandset();
  Connect();
  ASSERT_EQ(::mkfifo((dir / "fifo.bin").c_str(), 0600), 0);
  WriteFile(dir / "big.bin", std::vector<uint8_t>(0x300001));
  // Sparse files: their low 32 bits (0x1000 and 0) would fit in a bank.
  for (const char* name : {"huge.bin", "exactly4g.bin"}) WriteFile(dir / name, {});
  std::filesystem::resize_file(dir / "huge.bin", 0x100001000);
  std::filesystem::resize_file(dir / "exactly4g.bin", 0x100000000);
  constexpr char kTooBig[] = "File is too big or Address wrong (56) (Serial_XM:428)";
  constexpr char kFlashTooBig[] = "File is too big or Address wrong (56) (Serial_XM:535)";
  struct Case {
    TransferKind kind;
    uint32_t offset;
    uint32_t size;
    const char* report;
    const char* file = "region.bin";
    const char* reason = nullptr;  // the grey line after the report, if any
  };
  const std::array<Case, 10> kCases = {{
      {TransferKind::Dump, 0xFFFFFF, 1, "File is too big or Address wrong (57) (Serial_XM:423)"},
      {TransferKind::Dump, 0x2500000, 0x300001, kTooBig},
      {TransferKind::Dump, 0x1800000, 1, kTooBig},
      {TransferKind::Dump, 0xF0000000, 0x10000000, kTooBig},
      {TransferKind::Dump, kRegion, kLength, "Can't open file (15) (Serial_XM:429)", "fifo.bin", "not a regular file"},
      {TransferKind::Flash, kBank2Base, 0, kFlashTooBig, "missing.bin", "No such file or directory"},
      {TransferKind::Flash, kBank2Base, 0, kFlashTooBig, "fifo.bin", "not a regular file"},
      {TransferKind::Flash, 0x2500000, 0, kFlashTooBig, "big.bin"},  // past the bank's end
      {TransferKind::Flash, kBank2Base, 0, kFlashTooBig, "huge.bin"},
      {TransferKind::Flash, kBank2Base, 0, kFlashTooBig, "exactly4g.bin"},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(::testing::Message() << c.file << " " << c.offset);
    owner.Clear();
    Run(c.kind, c.offset, c.size, dir / c.file);
    const std::vector<std::string> after = LogFrom(c.report);
    ASSERT_GE(after.size(), 2u) << "not reported";
    if (c.reason != nullptr) EXPECT_EQ(after[1], (dir / c.file).string() + ": " + c.reason);
  }
  sim::TranscriptData t = handset->Transcript();
  EXPECT_TRUE(t.Packets(kCmdDump).empty() && t.Packets(kCmdFlash).empty()) << "nothing sent";
  EXPECT_FALSE(std::filesystem::exists(dir / "region.bin"));
  EXPECT_TRUE(std::filesystem::is_fifo(dir / "fifo.bin"));

  // A file that can't be created is found only once the loader is sending:
  // its transfer is cancelled.
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
  StartHandset({.stallBlock = {3, 100, std::chrono::milliseconds(400), 1}});
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
  AwaitClosed();
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

TEST_F(DumpTest, AHangUpMidTransferEndsTheLinkCleanly) {
  StartHandset({.hangUp = {TransferKind::Dump, 3}});
  Connect();
  Start(TransferKind::Dump, kBank1Base, 0x10000, dir / "cut.bin");
  AwaitClosed();
  std::vector<std::string> texts = owner.Texts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "Error (19) (Serial:758)"), 1);
  EXPECT_TRUE(Logged("Receive finished!"));
  EXPECT_EQ(texts.back(), "Com port closed");
  std::vector<uint8_t> cut = ReadFile(dir / "cut.bin");
  EXPECT_EQ(cut, Flash(kBank1Base, static_cast<uint32_t>(cut.size())));
  EXPECT_LE(cut.size(), 3u * 1024);
}

}  // namespace
}  // namespace varnel::testing
