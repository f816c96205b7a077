// varnel-cli as a process: an interrupt ends a dump cleanly, cancelling the
// transfer and disconnecting the loader, and the exit status says failure.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "tests/handset_fixture.h"

namespace varnel::testing {
namespace {

class CliProcessTest : public HandsetTest {};

TEST_F(CliProcessTest, InterruptCancelsTheDumpAndDisconnects) {
  StartHandset();
  std::string port = handset->SlavePath();
  std::string packagePath = (dir / "Varnel.res").string();
  std::string out = (dir / "dump.bin").string();
  std::vector<std::string> args = {VARNEL_CLI_PATH, "--port", port, "--package", packagePath,
                                   "dump", "system", out};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, (dir / "log.txt").c_str(), O_WRONLY | O_CREAT, 0600);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);

  bool started = handset->WaitFor(
      [](const sim::TranscriptData& d) {
        auto dumps = d.Transfers(sim::TransferKind::kDump);
        return !dumps.empty() && dumps.back().blocks.size() >= 2;
      },
      std::chrono::seconds(30));
  ::kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(started);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  ASSERT_TRUE(handset->WaitFor([](const sim::TranscriptData& d) { return d.stats.disconnects == 1; },
                               std::chrono::seconds(5)));
  sim::TransferRecord dump = handset->Transcript().Transfers(sim::TransferKind::kDump).back();
  EXPECT_EQ(dump.programControls.back(), kCan);
  std::vector<uint8_t> got = ReadFile(dir / "dump.bin");
  EXPECT_EQ(got, Flash(kBank1Base, static_cast<uint32_t>(got.size())));
  std::vector<uint8_t> log = ReadFile(dir / "log.txt");
  EXPECT_NE(std::string(log.begin(), log.end()).find("] Interrupted\n"), std::string::npos);
}

}  // namespace
}  // namespace varnel::testing
