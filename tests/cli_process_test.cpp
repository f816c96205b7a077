// varnel-cli as a process: a hang-up ends a transfer cleanly, cancelling it
// and disconnecting the loader, and the exit status says failure; one
// interrupt lets a flash finish, a second aborts it; the wait for the
// handset ends when asked, whatever arrives meanwhile; "ports" lists this
// system's serial devices; a line trace is written afresh and holds what
// crossed the line, and one that can't be written or is refused stops the
// tool before the port; names from outside stay one escaped line.
#include <fstream>
#include <sstream>

#include "cli/port_listing.h"
#include "sim/handset_responses.h"
#include "tests/child_process.h"
#include "tests/handset_fixture.h"

namespace varnel::testing {
namespace {

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

  // Starts a session on the handset's port with the test's package.
  pid_t SpawnSession(std::vector<std::string> args, std::vector<std::string> environment = {}) {
    args.insert(args.begin(), {"--port", handset->SlavePath(), "--package", (dir / "Varnel.res").string()});
    return Spawn(std::move(args), nullptr, std::move(environment));
  }

  std::string Log() { return ReadText(dir / "log.txt"); }

  // Whether the log came to hold `text` within `limit`.
  bool LogShows(const std::string& text, std::chrono::milliseconds limit) {
    return PollUntil([&] { return Log().find(text) != std::string::npos; }, limit);
  }
};

// Closing the terminal ends a session as an interrupt does (the dump
// cancelled after the block under way, with 0x18, then the disconnect),
// also during the read-back of a verify, whose temporary file no one can
// ever see. (A stop in the middle of a dump's block: tests/e2e_dump_test.cpp.)
TEST_F(CliProcessTest, AHangUpDuringAReadBackEndsCleanlyAndLeavesNoFile) {
  StartHandset({.stallBlock = {3, 0, std::chrono::milliseconds(600), 1}});  // before the read-back's third block
  WriteFile(dir / "image.bin", std::vector<uint8_t>(0x3000, 0x3C));
  const std::filesystem::path temporary = dir / "tmp";
  std::filesystem::create_directory(temporary);
  const pid_t pid =
      SpawnSession({"--verify", "flash", "0x2000000", (dir / "image.bin").string()}, {"TMPDIR=" + temporary.string()});
  ASSERT_TRUE(BlocksUnderWay(TransferKind::Dump, 2));
  EXPECT_TRUE(std::filesystem::is_empty(temporary));
  ::kill(pid, SIGHUP);
  EXPECT_EQ(ExitStatusWithin(pid, kStopBound), 1) << Log();
  EXPECT_NE(Log().find("] Interrupted\n"), std::string::npos) << Log();
  EXPECT_TRUE(std::filesystem::is_empty(temporary));
  EXPECT_TRUE(Disconnected(1)) << Log();
  EXPECT_EQ(handset->Transcript().Transfers(TransferKind::Dump).back().programControls.back(), kCan);
}

// An interrupt during a flash lets it finish and its verify run (the log
// says how long it still needs; a success, exit 0); a second one aborts it
// after the block under way and says where (exit 1, the flash
// part-written), the loader hearing that the rest is not coming.
TEST_F(CliProcessTest, OneInterruptLetsAFlashFinishTwoAbortIt) {
  pacing = sim::Pacing::kLineRate;
  std::vector<uint8_t> image(0x8000);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 13 + i / 512);
  WriteFile(dir / "image.bin", image);
  for (int interrupts : {1, 2}) {
    SCOPED_TRACE(interrupts);
    StartHandset();
    const uint32_t offset = kBank2Base + static_cast<uint32_t>(interrupts) * 0x10000;  // a region of its own
    char offsetText[16];
    std::snprintf(offsetText, sizeof offsetText, "0x%x", static_cast<unsigned>(offset));
    std::vector<std::string> args = {"--speed", "460800", "flash", offsetText, (dir / "image.bin").string()};
    if (interrupts == 1) args.insert(args.begin(), "--verify");
    const pid_t pid = SpawnSession(args);
    ASSERT_TRUE(BlocksUnderWay(TransferKind::Flash, 3));
    ::kill(pid, SIGINT);
    // A second interrupt once the first was taken (two pending at once
    // would be one).
    EXPECT_TRUE(LogShows(" left. Stop again to abort it, which leaves the flash part-written.\n", kStopBound));
    EXPECT_TRUE(LogShows("] Finishing the flash: about ", kStopBound));
    if (interrupts == 2) ::kill(pid, SIGINT);
    EXPECT_EQ(ExitStatusWithin(pid, kSessionTimeout), interrupts == 1 ? 0 : 1) << Log();
    const sim::TransferRecord flash = handset->Transcript().Transfers(TransferKind::Flash).back();
    if (interrupts == 1) {
      EXPECT_EQ(flash.response, std::optional<uint8_t>(0));
      EXPECT_EQ(Flash(offset, static_cast<uint32_t>(image.size())), image);
      EXPECT_NE(Log().find("] Verify OK\n"), std::string::npos) << Log();
    } else {
      EXPECT_EQ(flash.response, std::optional<uint8_t>(sim::kLoaderAbandoned));
      uint32_t flashed = 0;
      for (const sim::BlockRecord& block : flash.blocks) flashed += block.length;
      EXPECT_GE(flashed, 3u * 1024);  // the block under way is answered before the stop
      EXPECT_LT(flashed, image.size());
      EXPECT_EQ(Flash(offset, flashed), std::vector<uint8_t>(image.begin(), image.begin() + flashed));
      char aborted[64];
      std::snprintf(aborted, sizeof aborted, "] Flash aborted at 0x%x: the flash is part-written\n",
                    static_cast<unsigned>(offset + flashed));
      EXPECT_NE(Log().find(aborted), std::string::npos) << Log();
    }
    EXPECT_TRUE(Disconnected(1));
  }
}

TEST_F(CliProcessTest, TheWaitForTheHandsetIsBoundedWhateverArrives) {
  StartHandset({.babble = sim::Babble::kInsteadOfOffer});  // bytes without end, never an offer
  pid_t pid = SpawnSession({"--wait", "1", "connect"});
  EXPECT_EQ(ExitStatusWithin(pid, kSessionTimeout), 1);
  EXPECT_NE(Log().find("No answer from the handset within 1 s"), std::string::npos) << Log();

  // A long wait is waited for (its milliseconds do not overflow), and an
  // interrupt still ends it.
  pid = SpawnSession({"--wait", "2147484", "connect"});
  const uint32_t babbledBefore = handset->Transcript().stats.noiseSent;
  ASSERT_TRUE(handset->WaitFor([&](const sim::TranscriptData& d) { return d.stats.noiseSent > babbledBefore + 800; },
                               std::chrono::seconds(30)));
  int status = 0;
  EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "gave up at once";
  ::kill(pid, SIGTERM);
  EXPECT_EQ(ExitStatusWithin(pid, kStopBound), 1);
  EXPECT_NE(Log().find("] Interrupted\n"), std::string::npos) << Log();
  EXPECT_EQ(Log().find("No answer"), std::string::npos) << Log();

  // Names from outside (here a port name) can't start a log line of their
  // own or drive the terminal.
  const std::string port = "/nonexistent\n[00:00:00] Verify OK\x1b[2J";
  EXPECT_EQ(
      ExitStatusWithin(Spawn({"--port", port, "--package", (dir / "Varnel.res").string(), "connect"}), kSessionTimeout),
      1);
  const std::string log = Log();
  EXPECT_EQ(log.find('\x1b'), std::string::npos) << log;
  EXPECT_EQ(log.find("\n[00:00:00] Verify OK"), std::string::npos) << log;
  EXPECT_NE(log.find("] Using /nonexistent\\n[00:00:00] Verify OK\\x1b[2J, speed 115200"), std::string::npos) << log;
}

// The trace of a connect holds its records in the order they crossed the
// line, each way at its speed, the log's lines between them, and every
// byte the program wrote exactly as the handset received it; a second run
// empties the file first.
TEST_F(CliProcessTest, TraceWritesTheSessionAFreshFileEachRun) {
  StartHandset();
  const std::filesystem::path trace = dir / "trace.txt";
  WriteFile(trace, std::vector<uint8_t>(100, 'x'));  // emptied, not added to
  EXPECT_EQ(ExitStatusWithin(SpawnSession({"--trace", trace.string(), "connect"}), kSessionTimeout), 0) << Log();
  const std::string text = ReadText(trace);
  EXPECT_TRUE(text.starts_with("# Varnel line trace of " + handset->SlavePath() + ", ")) << text;
  size_t at = 0;
  for (const std::string& step : {" open  " + handset->SlavePath() + "\n", std::string(" speed 38400\n"),
                                  std::string(" log   info    Com port opened\n"), std::string(" in     38400 "),
                                  std::string(" out    38400     6  41 54 2A 2A 33 0D  |AT**3.|\n"),
                                  std::string(" log   info    Download Initiated\n"), std::string(" speed 115200\n"),
                                  std::string(" out   115200 "), std::string(" in    115200 "),
                                  std::string(" log   success Phone switched to serial mode!\n")}) {
    at = text.find(step, at);
    ASSERT_NE(at, std::string::npos) << step << " not in its place\n" << text;
  }
  EXPECT_TRUE(text.ends_with(" close\n")) << text;
  std::vector<uint8_t> written;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string seconds, kind;
    uint32_t speed = 0;
    size_t count = 0;
    if (!(fields >> seconds >> kind >> speed >> count >> std::hex) || kind != "out") continue;
    for (unsigned byte = 0; count-- > 0 && fields >> byte;) written.push_back(static_cast<uint8_t>(byte));
  }
  ASSERT_TRUE(Disconnected(1));
  EXPECT_TRUE(written == ProgramBytes());
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
    const pid_t pid = SpawnSession({"--trace", c.trace, "flash", "0x2000000", imagePath});
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

TEST_F(CliProcessTest, PortsListsTheDevicesOfThisSystemAndExitsZero) {
  // The settings file is the working directory's, as for a session.
  ScopedWorkingDir cwd(dir.Path());
  std::ofstream(dir / "Varnel.ini") << "[Ports]\nCOM4=/dev/ttyS0\n";
  const pid_t pid = Spawn({"ports"}, "ports.txt");
  EXPECT_EQ(ExitStatusWithin(pid, kSessionTimeout), 0);
  const std::string expected = cli::PortListing(DeviceRoots{}, dir / "Varnel.ini");
  EXPECT_EQ(ReadText(dir / "ports.txt"), expected);
  EXPECT_EQ(Log(), expected.empty() ? "varnel-cli: no serial device found\n" : "");
}

}  // namespace
}  // namespace varnel::testing
