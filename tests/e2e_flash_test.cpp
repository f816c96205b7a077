// Flashing end to end: blocks cut at sector boundaries (an empty file
// none), verify, the loader's abort and a failing final response. (Files
// refused are with the dump's in tests/e2e_dump_test.cpp; re-sends,
// silence and endless resend requests are tested on a fake port:
// tests/link_protocol_test.cpp.)
#include <array>
#include <fstream>
#include <thread>

#include "sim/hand_program.h"
#include "tests/handset_fixture.h"
#include "tests/scoped_variable_posix.h"

namespace varnel::testing {
namespace {

class FlashTest : public HandsetTest {
 protected:
  std::vector<uint8_t> MakeFile(const std::string& name, uint32_t size) {
    std::vector<uint8_t> bytes(size);
    for (uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 31) ^ (i >> 9));
    WriteFile(dir / name, bytes);
    return bytes;
  }

  // The first byte the program sent after `blocks` blocks of `length` that
  // followed the flash packet.
  uint8_t ByteAfterBlocks(uint32_t blocks, uint32_t length) {
    std::vector<uint8_t> all = ProgramBytes();
    std::vector<uint8_t> packet = handset->Transcript().Packets(kCmdFlash).back().raw;
    const auto at = std::search(all.begin(), all.end(), packet.begin(), packet.end());
    EXPECT_NE(at, all.end());
    const size_t next = (at - all.begin()) + packet.size() + blocks * (length + kBlockOverheadBytes);
    return next < all.size() ? all[next] : 0;
  }
};

TEST_F(FlashTest, BlocksNeverCrossASectorBoundary) {
  struct Case {
    uint32_t blockSize;
    uint32_t offset;
    uint32_t size;
    std::vector<uint32_t> blocks;
  };
  const std::array<Case, 8> kCases = {{
      {8192, 0x27EF000, 0x3000, {0x1000, 0x2000}},
      {8192, 0x1001000, 0x4000, {0x1000, 0x2000, 0x1000}},
      {8192, 0x100F000, 0x3000, {0x1000, 0x2000}},
      {1024, 0x1000000, 0x2800, std::vector<uint32_t>(10, 0x400)},
      // The small sectors of bank 2 start at 0x27F0000 itself.
      {16384, 0x27F0000, 0x6000, {0x2000, 0x2000, 0x2000}},
      // Block sizes the 16-bit length field can't hold are not used.
      {0, 0x2000000, 0x800, {0x400, 0x400}},
      {65536, 0x2000000, 0x800, {0x400, 0x400}},
      {1024, 0x2000000, 0, {}},  // an empty file: a flash without blocks
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.offset);
    StartHandset();
    Connect(460800, c.blockSize);
    std::vector<uint8_t> file = MakeFile("image.bin", c.size);
    Run(TransferKind::Flash, c.offset, c.size, dir / "image.bin");
    sim::TranscriptData t = handset->Transcript();
    ASSERT_EQ(t.Packets(kCmdFlash).size(), 1u);
    // The offset, and the size unless there is nothing to send.
    EXPECT_EQ(t.Packets(kCmdFlash)[0].raw, sim::HandProgram::Packet(kCmdFlash, c.offset, c.size));
    EXPECT_EQ(t.BlockLengths(TransferKind::Flash), c.blocks);
    std::vector<sim::BlockRecord> blocks = t.Transfers(TransferKind::Flash).back().blocks;
    for (size_t i = 0; i < blocks.size(); ++i) EXPECT_EQ(blocks[i].number, i + 1);
    EXPECT_EQ(t.stats.sectorCrossings, 0u);
    EXPECT_EQ(Flash(c.offset, c.size), file);
    EXPECT_TRUE(Logged("Flash started"));
    EXPECT_TRUE(Logged("Flash finished!"));
    EXPECT_EQ(owner.LastTransfer().bytes, c.size);
    EXPECT_EQ(Logged("A block size of " + std::to_string(c.blockSize) + " bytes can't be used; 1024 is used instead"),
              c.blockSize == 0 || c.blockSize > 0xFFFF);
  }
}

// Verify after flash reads the region back with an ordinary dump and
// compares it with the file; a cell that does not hold its byte is found
// at its address. The read-back's temporary file never stays behind.
TEST_F(FlashTest, VerifyReadsTheRegionBackAndFindsTheFirstDifference) {
  struct Case {
    const char* what;
    uint32_t weakCell;  // 0: none
    bool imageChanges;  // during the read-back
    VerifyResult result;
    std::string line;
    LogColour colour;
  };
  constexpr uint32_t kOffset = 0x2500000;
  constexpr uint32_t kSize = 0x3100;  // more than one 4 KiB block, crossing a sector
  const std::array<Case, 3> kCases = {{
      {"a flash that verifies", 0, false, VerifyResult::Match, "Verify OK", kGreen},
      {"a cell that does not hold", kOffset + 0x2345, false, VerifyResult::Mismatch,
       "Verify failed: first difference at 0x2502345, 1 bytes differ", kRed},
      // No verdict on bytes that were never sent.
      {"an image changed after the flash", 0, true, VerifyResult::Incomplete,
       "Verify failed: " + (dir / "image.bin").string() + " changed after the flash", kRed},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const std::filesystem::path temporary = dir / (std::string("tmp-") + std::to_string(&c - kCases.data()));
    std::filesystem::create_directories(temporary);
    ScopedVariable tmpdir("TMPDIR", temporary.string());
    sim::FaultPlan faults;
    faults.weakFlashCell = c.weakCell;
    if (c.imageChanges) faults.stallBlock = {2, 0, std::chrono::milliseconds(300), 1};
    StartHandset(faults);
    Connect(kUploadSpeed, 4096);
    const std::vector<uint8_t> image = MakeFile("image.bin", kSize);
    std::jthread changer;
    if (c.imageChanges) {
      changer = std::jthread([&] {
        if (handset->WaitFor([](const sim::TranscriptData& d) { return !d.Packets(kCmdDump).empty(); },
                             kSessionTimeout)) {
          std::ofstream(dir / "image.bin", std::ios::app) << 'x';
        }
      });
    }
    Run(TransferKind::Flash, kOffset, 0, dir / "image.bin", true);
    EXPECT_EQ(owner.LastTransfer().verify, c.result);
    EXPECT_TRUE(owner.LastTransfer().confirmed);
    const std::vector<std::string> after = LogFrom("Verifying...");
    ASSERT_FALSE(after.empty()) << "no read-back";
    EXPECT_TRUE(std::find(after.begin(), after.end(), "Receive finished!") != after.end());
    const LogLine last = owner.Lines().back();
    EXPECT_EQ(last.text, c.line);
    EXPECT_EQ(last.colour, c.colour);
    // The read-back was an ordinary dump of exactly the flashed region.
    sim::TranscriptData t = handset->Transcript();
    ASSERT_EQ(t.Packets(kCmdDump).size(), 1u);
    EXPECT_EQ(t.Packets(kCmdDump)[0].packet.first, kOffset);
    EXPECT_EQ(t.Packets(kCmdDump)[0].packet.second, kSize);
    EXPECT_TRUE(std::filesystem::is_empty(temporary)) << "the read-back file stayed";
    // The controls are back for the next request.
    EXPECT_EQ(owner.Events().back(), "transfer");
  }
}

// ---- Failures ----

TEST_F(FlashTest, LoaderAbortEndsTheBlocksWithoutCancel) {
  StartHandset({.blockAnswer = {sim::ReceivedBlocks::kFlashOnly, 3, kDc4, 1}});
  Connect();
  MakeFile("image.bin", 0x2000);
  Run(TransferKind::Flash, kBank1Base + 0x20000, 0, dir / "image.bin");
  EXPECT_TRUE(Logged("Error (51) (Serial_XM:173)"));
  EXPECT_TRUE(Logged("Flash finished!"));
  EXPECT_EQ(handset->Transcript().Transfers(TransferKind::Flash).back().blocks.size(), 3u);
  EXPECT_NE(ByteAfterBlocks(3, 0x400), kCan) << "no 0x18 follows an abort";
  EXPECT_EQ(owner.LastTransfer().status, kStatusBlockAborted);
  // The loader closes the aborted flash with a non-zero response, which
  // ends the connection once the flash command is over.
  EXPECT_TRUE(Logged("Response [0x63]"));
  EXPECT_TRUE(Logged("Error (99) (Serial_XM:591)"));
  AwaitClosed();  // the port closes after the owner heard of it
  EXPECT_EQ(LogFrom("Thread exit normally").back(), "Com port closed");
  ASSERT_TRUE(Disconnected(1));
}

}  // namespace
}  // namespace varnel::testing
