// varnel-cli as a process: an interrupt ends a dump cleanly, cancelling the
// transfer and disconnecting the loader, and the exit status says failure;
// the wait for the handset ends when asked, whatever arrives meanwhile;
// "ports" lists this system's serial devices; a line trace is written
// afresh, and one that can't be written or is refused stops the tool
// before the port; a hang-up ends a read-back cleanly; names from outside
// stay one escaped line.
#include <fstream>

#include "cli/port_listing.h"
#include "tests/child_process.h"
#include "tests/handset_fixture.h"

namespace varnel::testing {
namespace {

std::string HexDigits(uint32_t value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%x", static_cast<unsigned>(value));
  return digits;
}

class CliProcessTest : public HandsetTest {
 protected:
  // Starts varnel-cli with `args` (after the program's name), standard
  // error going to log.txt and, when `output` names a file of the test's
  // folder, standard output to it; `environment` as for Spawn.
  pid_t Spawn(std::vector<std::string> args, const char* output = nullptr, std::vector<std::string> environment = {}) {
    args.insert(args.begin(), VARNEL_CLI_PATH);
    return ::varnel::testing::Spawn(std::move(args), (dir / "log.txt").string(),
                                    output != nullptr ? (dir / output).string() : std::string(),
                                    std::move(environment));
  }

  std::string Log() {
    std::vector<uint8_t> log = ReadFile(dir / "log.txt");
    return std::string(log.begin(), log.end());
  }

  // Whether the log came to hold `text` within `limit`.
  bool LogShows(const std::string& text, std::chrono::milliseconds limit) {
    return PollUntil([&] { return Log().find(text) != std::string::npos; }, limit);
  }
};

TEST_F(CliProcessTest, InterruptCancelsTheDumpAndDisconnects) {
  StartHandset();
  std::string out = (dir / "dump.bin").string();
  pid_t pid =
      Spawn({"--port", handset->SlavePath(), "--package", (dir / "Varnel.res").string(), "dump", "system", out});

  bool started = handset->WaitFor(
      [](const sim::TranscriptData& d) {
        auto dumps = d.Transfers(TransferKind::Dump);
        return !dumps.empty() && dumps.back().blocks.size() >= 2;
      },
      std::chrono::seconds(30));
  ::kill(pid, SIGINT);
  EXPECT_EQ(ExitStatusWithin(pid, kStopBound), 1);
  ASSERT_TRUE(started);
  ASSERT_TRUE(
      handset->WaitFor([](const sim::TranscriptData& d) { return d.stats.disconnects == 1; }, std::chrono::seconds(5)));
  sim::TransferRecord dump = handset->Transcript().Transfers(TransferKind::Dump).back();
  EXPECT_EQ(dump.programControls.back(), kCan);
  std::vector<uint8_t> got = ReadFile(dir / "dump.bin");
  EXPECT_EQ(got, Flash(kBank1Base, static_cast<uint32_t>(got.size())));
  EXPECT_NE(Log().find("] Interrupted\n"), std::string::npos);
}

// An interrupt during a flash lets it finish (a success, exit 0); a second
// one aborts it after the block under way (exit 1, the flash part-written).
TEST_F(CliProcessTest, OneInterruptLetsAFlashFinishTwoAbortIt) {
  pacing = sim::Pacing::kLineRate;
  std::vector<uint8_t> image(0x8000);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 13 + i / 512);
  WriteFile(dir / "image.bin", image);
  for (int interrupts : {1, 2}) {
    SCOPED_TRACE(interrupts);
    StartHandset();
    const uint32_t offset = kBank2Base + static_cast<uint32_t>(interrupts) * 0x10000;  // a region of its own
    const pid_t pid = Spawn({"--port", handset->SlavePath(), "--package", (dir / "Varnel.res").string(), "--speed",
                             "460800", "flash", "0x" + HexDigits(offset), (dir / "image.bin").string()});
    ASSERT_TRUE(handset->WaitFor(
        [](const sim::TranscriptData& d) {
          auto flashes = d.Transfers(TransferKind::Flash);
          return !flashes.empty() && flashes.back().blocks.size() >= 3;
        },
        kSessionTimeout));
    ::kill(pid, SIGINT);
    // A second interrupt once the first was taken (two pending at once
    // would be one).
    if (interrupts == 2 && LogShows("] Finishing the flash: about ", kStopBound)) ::kill(pid, SIGINT);
    EXPECT_EQ(ExitStatusWithin(pid, kSessionTimeout), interrupts == 1 ? 0 : 1) << Log();
    const sim::TransferRecord flash = handset->Transcript().Transfers(TransferKind::Flash).back();
    EXPECT_EQ(flash.response == std::optional<uint8_t>(0), interrupts == 1);
    EXPECT_EQ(Flash(offset, static_cast<uint32_t>(image.size())) == image, interrupts == 1);
    handset.reset();
  }
}

TEST_F(CliProcessTest, TheWaitForTheHandsetIsBoundedWhateverArrives) {
  sim::FaultPlan faults;
  faults.babble = sim::Babble::kInsteadOfOffer;  // bytes without end, never an offer
  StartHandset(faults);
  const std::string packagePath = (dir / "Varnel.res").string();
  pid_t pid = Spawn({"--port", handset->SlavePath(), "--package", packagePath, "--wait", "1", "connect"});
  EXPECT_EQ(ExitStatusWithin(pid, kSessionTimeout), 1);
  EXPECT_NE(Log().find("No answer from the handset within 1 s"), std::string::npos) << Log();

  // A long wait is waited for (its milliseconds do not overflow), and an
  // interrupt still ends it.
  pid = Spawn({"--port", handset->SlavePath(), "--package", packagePath, "--wait", "2147484", "connect"});
  const uint32_t babbledBefore = handset->Transcript().stats.noiseSent;
  ASSERT_TRUE(handset->WaitFor([&](const sim::TranscriptData& d) { return d.stats.noiseSent > babbledBefore + 800; },
                               std::chrono::seconds(30)));
  int status = 0;
  EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "gave up at once";
  ::kill(pid, SIGTERM);
  EXPECT_EQ(ExitStatusWithin(pid, kStopBound), 1);
  EXPECT_NE(Log().find("] Interrupted\n"), std::string::npos) << Log();
  EXPECT_EQ(Log().find("No answer"), std::string::npos) << Log();
}

TEST_F(CliProcessTest, TraceWritesTheSessionAFreshFileEachRun) {
  StartHandset();
  const std::filesystem::path trace = dir / "trace.txt";
  WriteFile(trace, std::vector<uint8_t>(100, 'x'));  // emptied, not added to
  const std::vector<std::string> args = {
      "--trace", trace.string(), "--port", handset->SlavePath(), "--package", (dir / "Varnel.res").string(), "connect"};
  EXPECT_EQ(ExitStatusWithin(Spawn(args), kSessionTimeout), 0) << Log();
  const std::vector<uint8_t> bytes = ReadFile(trace);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_TRUE(text.starts_with("# Varnel line trace of " + handset->SlavePath() + ", ")) << text;
  EXPECT_NE(text.find(" out    38400     6  41 54 2A 2A 33 0D  |AT**3.|\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" log   success Phone switched to serial mode!\n"), std::string::npos) << text;
  EXPECT_TRUE(text.ends_with(" close\n")) << text;
}

// A trace that can't be written fails the session (1); one that is not a
// trace's to write, through a link, into a device or over a file the
// session uses, is a bad command line (2). Either way the port is never
// opened and nothing the name leads to is touched.
TEST_F(CliProcessTest, ATraceThatIsNotPossibleEndsTheSessionBeforeThePortOpens) {
  StartHandset();
  const std::vector<uint8_t> image(0x2000, 0x5A);
  WriteFile(dir / "image.bin", image);
  WriteFile(dir / "kept.txt", std::vector<uint8_t>(7, 'k'));
  std::filesystem::create_symlink(dir / "kept.txt", dir / "link.txt");
  std::filesystem::create_symlink(dir / "created.txt", dir / "dangling.txt");
  struct Case {
    std::string trace;
    int exitStatus;
    std::string line;
  };
  const std::string missing = (dir / "missing" / "trace.txt").string();
  const std::string imagePath = (dir / "image.bin").string();
  const std::string otherName = (dir / "." / "image.bin").string();
  const std::vector<Case> kCases = {
      {missing, 1, "No line trace: can't write " + missing + "\n"},
      {(dir / "link.txt").string(), 2, "link.txt: a symbolic link, which is not followed\n"},
      {(dir / "dangling.txt").string(), 2, "dangling.txt: a symbolic link, which is not followed\n"},
      {"/dev/null", 2, "/dev/null: not a regular file\n"},
      {imagePath, 2, "No line trace: " + imagePath + " is a file the program reads or writes\n"},
      {otherName, 2, "No line trace: " + otherName + " is a file the program reads or writes\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.trace);
    const pid_t pid = Spawn({"--trace", c.trace, "--port", handset->SlavePath(), "--package",
                             (dir / "Varnel.res").string(), "flash", "0x2000000", imagePath});
    EXPECT_EQ(ExitStatusWithin(pid, kSessionTimeout), c.exitStatus);
    EXPECT_NE(Log().find(c.line), std::string::npos) << Log();
    EXPECT_EQ(Log().find("Com port opened"), std::string::npos) << Log();
  }
  EXPECT_TRUE(ProgramBytes().empty());
  EXPECT_EQ(ReadFile(dir / "image.bin"), image);
  EXPECT_EQ(ReadFile(dir / "kept.txt"), std::vector<uint8_t>(7, 'k'));
  EXPECT_FALSE(std::filesystem::exists(dir / "created.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

// Closing the terminal ends a session as an interrupt does, also during
// the read-back of a verify, whose temporary file no one can ever see.
TEST_F(CliProcessTest, AHangUpDuringAReadBackEndsCleanlyAndLeavesNoFile) {
  sim::FaultPlan faults;
  faults.stallBlock = {3, 0, std::chrono::milliseconds(600), 1};  // before the read-back's third block
  StartHandset(faults);
  WriteFile(dir / "image.bin", std::vector<uint8_t>(0x3000, 0x3C));
  const std::filesystem::path temporary = dir / "tmp";
  std::filesystem::create_directory(temporary);
  const pid_t pid = Spawn({"--port", handset->SlavePath(), "--package", (dir / "Varnel.res").string(), "--verify",
                           "flash", "0x2000000", (dir / "image.bin").string()},
                          nullptr, {"TMPDIR=" + temporary.string()});
  ASSERT_TRUE(handset->WaitFor(
      [](const sim::TranscriptData& d) {
        auto dumps = d.Transfers(TransferKind::Dump);
        return !dumps.empty() && dumps.back().blocks.size() >= 2;
      },
      kSessionTimeout));
  EXPECT_TRUE(std::filesystem::is_empty(temporary));
  ::kill(pid, SIGHUP);
  EXPECT_EQ(ExitStatusWithin(pid, kStopBound), 1) << Log();
  EXPECT_NE(Log().find("] Interrupted\n"), std::string::npos) << Log();
  EXPECT_TRUE(std::filesystem::is_empty(temporary));
  EXPECT_TRUE(
      handset->WaitFor([](const sim::TranscriptData& d) { return d.stats.disconnects == 1; }, std::chrono::seconds(5)))
      << Log();
}

// Names from outside (here a port name) can't start a log line of their
// own or drive the terminal.
TEST_F(CliProcessTest, ANameWithControlCharactersStaysOneEscapedLine) {
  StartHandset();  // for its package
  const std::string port = "/nonexistent\n[00:00:00] Verify OK\x1b[2J";
  EXPECT_EQ(
      ExitStatusWithin(Spawn({"--port", port, "--package", (dir / "Varnel.res").string(), "connect"}), kSessionTimeout),
      1);
  const std::string log = Log();
  EXPECT_EQ(log.find('\x1b'), std::string::npos) << log;
  EXPECT_EQ(log.find("\n[00:00:00] Verify OK"), std::string::npos) << log;
  EXPECT_NE(log.find("] Using /nonexistent\\n[00:00:00] Verify OK\\x1b[2J, speed 115200"), std::string::npos) << log;
}

TEST_F(CliProcessTest, PortsListsTheDevicesOfThisSystemAndExitsZero) {
  // The settings file is the working directory's, as for a session.
  ScopedWorkingDir cwd(dir.Path());
  std::ofstream(dir / "Varnel.ini") << "[Ports]\nCOM4=/dev/ttyS0\n";
  const pid_t pid = Spawn({"ports"}, "ports.txt");
  EXPECT_EQ(ExitStatusWithin(pid, kSessionTimeout), 0);
  const std::vector<uint8_t> listed = ReadFile(dir / "ports.txt");
  const std::string expected = cli::PortListing(DeviceRoots{}, dir / "Varnel.ini");
  EXPECT_EQ(std::string(listed.begin(), listed.end()), expected);
  EXPECT_EQ(Log(), expected.empty() ? "varnel-cli: no serial device found\n" : "");
}

}  // namespace
}  // namespace varnel::testing
