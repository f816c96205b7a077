// The worker's life against the simulated handset: a disconnect while it
// waits for the handset and while the loader is ready, a stop during the
// connect and during a flash, and a line that hangs up in the middle of a
// transfer. (A connect after a disconnect is what each of the sessions in
// a row of tests/cli_session_test.cpp makes.)
#include "sim/handset_responses.h"
#include "tests/handset_fixture.h"

namespace varnel::testing {
namespace {

class WorkerTest : public HandsetTest {};

TEST_F(WorkerTest, DisconnectWhileWaitingWritesNothing) {
  sim::FaultPlan faults;
  faults.offer = sim::BootOffer::kNever;
  StartHandset(faults);
  StartLink();
  link->Stop();
  ASSERT_TRUE(owner.WaitFor("closed", 1, kSessionTimeout));
  link->Join();
  EXPECT_EQ(LogFrom("Thread started"),
            (std::vector<std::string>{"Thread started", "Thread exit normally", "Com port closed"}));
  EXPECT_TRUE(ProgramBytes().empty());
  EXPECT_FALSE(link->IsOpen());
}

TEST_F(WorkerTest, DisconnectWhileReadySendsTheDisconnectPacket) {
  StartHandset();
  Connect();
  std::vector<uint8_t> before = ProgramBytes();
  link->Stop();
  ASSERT_TRUE(owner.WaitFor("closed", 1, kSessionTimeout));
  link->Join();
  EXPECT_EQ(LogFrom("Thread exit normally"), (std::vector<std::string>{"Thread exit normally", "Com port closed"}));
  ASSERT_TRUE(
      handset->WaitFor([](const sim::TranscriptData& d) { return d.stats.disconnects == 1; }, std::chrono::seconds(5)));
  std::vector<uint8_t> after = ProgramBytes();
  EXPECT_EQ(std::vector<uint8_t>(after.begin() + static_cast<long>(before.size()), after.end()),
            (std::vector<uint8_t>{0x01, 0x13}));
}

TEST_F(WorkerTest, StopDuringTheConnectEndsItPromptly) {
  pacing = sim::Pacing::kLineRate;  // stage one takes seconds to go up
  StartHandset({}, 16000);
  StartLink();
  ASSERT_TRUE(
      handset->WaitFor([](const sim::TranscriptData& d) { return d.atLines.size() >= 2; }, std::chrono::seconds(10)));
  link->Stop();  // stage one is going up
  ASSERT_TRUE(owner.WaitFor("closed", 1, kStopBound));
  link->Join();
  EXPECT_FALSE(Logged("Phone switched to serial mode!"));
  EXPECT_EQ(LogFrom("Thread exit normally").back(), "Com port closed");
  EXPECT_EQ(handset->Transcript().records, 0u) << "stage one was not finished";
}

// A flash, once its blocks go out, runs to its end when stopped (the log
// says how long it still needs), and only then does the stop end the
// link; a second stop aborts it after the block under way and says where.
TEST_F(WorkerTest, AStopDuringAFlashWaitsForItsEndASecondAbortsIt) {
  pacing = sim::Pacing::kLineRate;  // the flash takes a second
  std::vector<uint8_t> file(0x8000);
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 7 + i / 1024);
  WriteFile(dir / "image.bin", file);
  for (int stops : {1, 2}) {
    SCOPED_TRACE(stops);
    StartHandset();
    owner.Clear();
    Connect(460800);
    Start(TransferKind::Flash, kBank2Base, 0, dir / "image.bin", stops == 1);
    ASSERT_TRUE(handset->WaitFor(
        [](const sim::TranscriptData& d) {
          auto flashes = d.Transfers(TransferKind::Flash);
          return !flashes.empty() && flashes.back().blocks.size() >= 3;
        },
        std::chrono::seconds(10)));
    for (int i = 0; i < stops; ++i) link->Stop();
    ASSERT_TRUE(owner.WaitFor("closed", 1, kSessionTimeout));
    link->Join();
    const TransferOutcome outcome = owner.LastTransfer();
    sim::TransferRecord flash = handset->Transcript().Transfers(TransferKind::Flash).back();
    if (stops == 1) {
      EXPECT_EQ(outcome.bytes, file.size());
      EXPECT_TRUE(outcome.confirmed);
      EXPECT_EQ(outcome.verify, VerifyResult::Match);  // asked for, and done
      EXPECT_EQ(Flash(kBank2Base, static_cast<uint32_t>(file.size())), file);
      const std::vector<std::string> texts = owner.Texts();
      const auto finishing = std::find_if(texts.begin(), texts.end(), [](const std::string& line) {
        return line.starts_with("Finishing the flash: about ");
      });
      ASSERT_NE(finishing, texts.end());
      EXPECT_TRUE(finishing->ends_with(" left. Stop again to abort it, which leaves the flash part-written."));
      EXPECT_EQ(LogFrom("Verify OK").back(), "Com port closed");
    } else {
      EXPECT_GE(outcome.bytes, 3u * 1024);  // the block under way is answered before the stop
      EXPECT_LT(outcome.bytes, file.size());
      EXPECT_EQ(Flash(kBank2Base, outcome.bytes), std::vector<uint8_t>(file.begin(), file.begin() + outcome.bytes));
      // The loader heard that the rest is not coming, and the user where
      // the flash stopped; then the disconnect.
      EXPECT_EQ(flash.response, std::optional<uint8_t>(sim::kLoaderAbandoned));
      char aborted[64];
      std::snprintf(aborted, sizeof aborted, "Flash aborted at 0x%x: the flash is part-written",
                    static_cast<unsigned>(kBank2Base + outcome.bytes));
      EXPECT_TRUE(Logged(aborted));
      EXPECT_EQ(LogFrom("Flash finished!").back(), "Com port closed");
    }
    StopLink();
    handset.reset();
  }
}

// ---- Failures ----

TEST_F(WorkerTest, HangUpMidTransferEndsTheLinkCleanly) {
  sim::FaultPlan faults;
  faults.hangUp = {TransferKind::Dump, 3};
  StartHandset(faults);
  Connect();
  Start(TransferKind::Dump, kBank1Base, 0x10000, dir / "cut.bin");
  ASSERT_TRUE(owner.WaitFor("closed", 1, kSessionTimeout));
  link->Join();
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
