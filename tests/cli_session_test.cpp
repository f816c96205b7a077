// varnel-cli sessions against the simulated handset: the exit status says
// whether everything asked for was done.
#include <array>
#include <fstream>
#include <functional>

#include "tests/cli_session_fixture.h"

namespace varnel::testing {
namespace {

TEST_F(CliSessionTest, DumpAndFlashSucceedEndToEnd) {
  StartHandset();
  EXPECT_EQ(RunCli(Dump(dir / "dump.bin")), cli::kExitOk) << printed;
  EXPECT_EQ(ReadFile(dir / "dump.bin"), Flash(kBank2Base, 0x6000));
  EXPECT_NE(printed.find("] Using "), std::string::npos);
  EXPECT_NE(printed.find("] Phone switched to serial mode!\n"), std::string::npos);
  EXPECT_NE(printed.find("] Com port closed\n"), std::string::npos);
  ASSERT_TRUE(
      handset->WaitFor([](const sim::TranscriptData& d) { return d.stats.disconnects == 1; }, std::chrono::seconds(5)));

  std::vector<uint8_t> image(0x5000, 0xA5);
  WriteFile(dir / "image.bin", image);
  cli::CliOptions flash;
  flash.operation = cli::Operation::Flash;
  flash.offset = kBank2Base + 0x10000;
  flash.file = (dir / "image.bin").string();
  flash.speed = 460800;
  flash.blockSize = 8192;
  EXPECT_EQ(RunCli(flash), cli::kExitOk) << printed;
  EXPECT_EQ(Flash(kBank2Base + 0x10000, 0x5000), image);
  EXPECT_TRUE(
      handset->WaitFor([](const sim::TranscriptData& d) { return d.stats.disconnects == 2; }, std::chrono::seconds(5)));
}

// With --verify the exit status also says whether the flash holds the
// file: a cell that does not hold its byte fails the session.
TEST_F(CliSessionTest, VerifyDecidesTheExitStatusOfAFlash) {
  struct Case {
    uint32_t weakCell;
    int exitStatus;
    const char* line;
  };
  const std::array<Case, 2> kCases = {{
      {0, cli::kExitOk, "] Verify OK\n"},
      {kBank2Base + 0x1FFF, cli::kExitFailed, "] Verify failed: first difference at 0x2001fff, 1 bytes differ\n"},
  }};
  WriteFile(dir / "image.bin", std::vector<uint8_t>(0x3000, 0x3C));
  for (const Case& c : kCases) {
    sim::FaultPlan faults;
    faults.weakFlashCell = c.weakCell;
    StartHandset(faults);
    cli::CliOptions flash;
    flash.operation = cli::Operation::Flash;
    flash.offset = kBank2Base;
    flash.file = (dir / "image.bin").string();
    flash.verify = true;
    EXPECT_EQ(RunCli(flash), c.exitStatus) << printed;
    EXPECT_NE(printed.find(c.line), std::string::npos) << printed;
    handset.reset();
  }
}

TEST_F(CliSessionTest, RecoveredBlocksStillSucceed) {
  struct Case {
    const char* what;
    std::function<void(sim::FaultPlan&)> fault;
  };
  // A stalled block, the slowest to recover, is left to the link's own
  // test (tests/e2e_hostile_line_test.cpp): the exit status does not depend
  // on which fault was recovered from.
  const std::array<Case, 4> kCases = {{
      {"bad CRCs",
       [](sim::FaultPlan& f) {
         f.corruptCrc = {2, 3, 1};
       }},
      {"a lost acknowledgement",
       [](sim::FaultPlan& f) {
         f.lostAck = {6, 1};
       }},
      {"noise before a block",
       [](sim::FaultPlan& f) {
         f.noiseBeforeBlock = {2, 5};
       }},
      {"a misnumbered block",
       [](sim::FaultPlan& f) {
         f.wrongNumber = {4, 7, 1};
       }},
  }};
  StartHandset();
  uint32_t sessions = 0;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    sim::FaultPlan faults;
    c.fault(faults);
    handset->SetFaults(faults);
    EXPECT_EQ(RunCli(Dump(dir / "dump.bin")), cli::kExitOk) << printed;
    EXPECT_EQ(ReadFile(dir / "dump.bin"), Flash(kBank2Base, 0x6000));
    // The disconnect switches the handset off; the next session wakes it.
    ++sessions;
    ASSERT_TRUE(handset->WaitFor([&](const sim::TranscriptData& d) { return d.stats.disconnects == sessions; },
                                 std::chrono::seconds(5)));
  }
}

TEST_F(CliSessionTest, WithoutPackageOptionThePackageIsFoundInTheConfigurationDirectory) {
  StartHandset();
  TempDir work;
  ScopedWorkingDir cwd(work.Path());
  const std::filesystem::path configDir = dir / "config" / "varnel";
  std::filesystem::create_directories(configDir);
  std::filesystem::copy_file(dir / "Varnel.res", configDir / "Varnel.res");
  Application configured("Varnel", kUtf8CodePage, {}, configDir);
  EXPECT_EQ(RunCliAs(configured, cli::CliOptions{}), cli::kExitOk) << printed;

  // Nowhere: the note says where it was looked for.
  std::filesystem::remove(configDir / "Varnel.res");
  EXPECT_EQ(RunCliAs(configured, cli::CliOptions{}), cli::kExitFailed);
  EXPECT_NE(printed.find("Can't open the loader package Varnel.res (looked for in the working directory and in " +
                         configDir.string() + ")"),
            std::string::npos)
      << printed;
}

// ---- Failures ----

TEST_F(CliSessionTest, FailuresExitNonZero) {
  sim::FaultPlan faults;
  faults.corruptCrc = {2, 6, 1};  // six failures: the receive gives up
  StartHandset(faults);
  EXPECT_EQ(RunCli(Dump(dir / "dump.bin")), cli::kExitFailed) << printed;
  ASSERT_TRUE(
      handset->WaitFor([](const sim::TranscriptData& d) { return d.stats.disconnects == 1; }, std::chrono::seconds(5)));

  faults = {};
  faults.commandError = {kCmdBlockSize, 0x05, 1};
  handset->SetFaults(faults);
  cli::CliOptions connect;
  EXPECT_EQ(RunCli(connect), cli::kExitFailed) << printed;

  handset->SetFaults({});
  connect.package = (dir / "missing.res").string();
  EXPECT_EQ(RunCli(connect), cli::kExitFailed);
  EXPECT_NE(printed.find("Can't open the loader package"), std::string::npos);
  EXPECT_EQ(printed.find("Com port opened"), std::string::npos) << "the port was not opened";
}

// A port map entry (from a settings file that may have come from anyone)
// that leads to no serial device is refused before anything is opened.
TEST_F(CliSessionTest, APortMapEntryThatIsNoSerialDeviceIsRefused) {
  StartHandset();
  ScopedWorkingDir cwd(dir.Path());
  for (const std::string& value : {(dir / "Varnel.res").string(), std::string("/dev/null"), (dir / "gone").string()}) {
    SCOPED_TRACE(value);
    std::ofstream(dir / "Varnel.ini") << "[Ports]\nCOM2=" << value << "\n";
    cli::CliOptions connect;
    connect.port = "COM2";
    EXPECT_EQ(RunCli(connect), cli::kExitFailed);
    EXPECT_NE(printed.find("] Can't open port (11) (Serial:142)\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("] Port map entry COM2=" + value + " ignored: no serial device there\n"), std::string::npos)
        << printed;
    EXPECT_EQ(printed.find("Com port opened"), std::string::npos) << printed;
  }
  EXPECT_TRUE(ProgramBytes().empty());
}

}  // namespace
}  // namespace varnel::testing
