// The connect sequence end to end against the simulated handset: the boot
// ROM dialogue, stage one as S-records, the speed and block-size packets,
// stage two by blocks, a stop on the way, and the failures of a bad loader
// package.
#include <sys/stat.h>

#include <array>

#include "tests/handset_fixture.h"

namespace varnel::testing {
namespace {

// A command packet with one argument, all four of its bytes sent.
std::vector<uint8_t> Packet(uint8_t code, uint32_t argument) {
  std::vector<uint8_t> packet{5, code};
  for (int shift = 0; shift < 32; shift += 8) packet.push_back(static_cast<uint8_t>(argument >> shift));
  return packet;
}

class ConnectTest : public HandsetTest {};

TEST_F(ConnectTest, ConnectsAt115200WithoutASpeedCommand) {
  StartHandset();
  Connect();
  EXPECT_EQ(LogFrom("Com port opened"),
            (std::vector<std::string>{"Com port opened", "Thread started", "Download Initiated", "Port speed 115200",
                                      "Phone switched to serial mode!"}));
  EXPECT_EQ(owner.Lines().back().colour, kGreen);
  EXPECT_EQ(owner.Events(), (std::vector<std::string>{"warning 4", "ready", "warning 6"}));

  sim::TranscriptData t = handset->Transcript();
  EXPECT_EQ(t.atLines, (std::vector<std::string>{"AT", "AT**3"}));
  EXPECT_EQ(t.stageOne, package.stageOne);
  EXPECT_EQ(t.bootResponse, std::optional<uint8_t>(0));
  EXPECT_TRUE(t.Packets(kCmdLineSpeed).empty());
  ASSERT_EQ(t.Packets(kCmdBlockSize).size(), 1u);
  EXPECT_EQ(t.Packets(kCmdBlockSize)[0].raw, Packet(kCmdBlockSize, 1024));
  EXPECT_EQ(t.UploadedChunks(), package.chunks);
  ASSERT_EQ(t.Packets(kCmdState).size(), 1u);
  EXPECT_EQ(t.Packets(kCmdState)[0].raw, Packet(kCmdState, kStateIdle));
  EXPECT_EQ(t.stats.garbledFromProgram, 0u);
  EXPECT_TRUE(link->IsReady());

  // A disconnect of the ready loader sends it the disconnect packet.
  const std::vector<uint8_t> before = ProgramBytes();
  StopLink();
  EXPECT_EQ(LogFrom("Thread exit normally"), (std::vector<std::string>{"Thread exit normally", "Com port closed"}));
  ASSERT_TRUE(Disconnected(1));
  const std::vector<uint8_t> after = ProgramBytes();
  EXPECT_EQ(std::vector<uint8_t>(after.begin() + static_cast<long>(before.size()), after.end()),
            (std::vector<uint8_t>{0x01, 0x13}));
}

// Every block size is told to the loader and bounds the upload's blocks;
// packages of every shape go up whole; the line speed asked for is raised
// to and kept for the rest of the session, one the port can't run at is
// never asked for; a refused speed or block size is reported and the
// connect goes on.
TEST_F(ConnectTest, EveryBlockSizeSpeedAndPackageShapeConnect) {
  struct Case {
    uint32_t blockSize;
    uint32_t stageOne;
    std::vector<uint32_t> chunks;
    uint32_t records;  // S-records of stage one, the closing one included; 0: not counted
    uint32_t speed = 460800;
    sim::FaultPlan faults = {};
    const char* told = nullptr;  // logged
  };
  constexpr char kNotImplemented[] = "Command not implemented (254) (Serial_Base:126)";
  const std::array<Case, 10> kCases = {{
      {1024, 100, {20000}, 0},
      {2048, 100, {20000}, 0},
      {4096, 100, {20000}, 0},
      {8192, 100, {20000}, 0},
      {4096, 33, {1, 4000, 0, 65535}, 3},  // a full record, one of 1 byte, S8; an empty chunk
      {4096, 700, {}, 23},                 // the package ends after stage one
      {4096, 0, {10}, 2},                  // an empty stage one: S204400000BB
      {1024, 100, {20000}, 0, 250000},     // no standard speed: the port can't be set to it
      // Refused: the line stays at 115200, or the loader keeps its block size.
      {1024, 100, {20000}, 0, 460800, {.commandError = {kCmdLineSpeed, 0x01, 1}}, "Response [0x1]"},
      {1024, 100, {20000}, 0, 460800, {.commandError = {kCmdBlockSize, 0xFE, 1}}, kNotImplemented},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(::testing::Message() << c.blockSize << " " << c.stageOne << " " << c.speed);
    StartHandset(c.faults, c.stageOne, c.chunks);
    Connect(c.speed, c.blockSize);
    sim::TranscriptData t = handset->Transcript();
    ASSERT_EQ(t.Packets(kCmdBlockSize).size(), 1u);
    EXPECT_EQ(t.Packets(kCmdBlockSize)[0].raw, Packet(kCmdBlockSize, c.blockSize));
    for (uint32_t length : t.BlockLengths(TransferKind::Upload)) EXPECT_LE(length, c.blockSize);
    EXPECT_EQ(t.stats.oversizedBlocks, 0u);
    if (c.records != 0) EXPECT_EQ(t.records, c.records);
    EXPECT_EQ(t.stageOne, package.stageOne);
    EXPECT_EQ(t.UploadedChunks(), package.chunks);
    EXPECT_TRUE(Logged("Phone switched to serial mode!"));
    if (c.told != nullptr) EXPECT_TRUE(Logged(c.told)) << c.told;
    const bool asked = c.speed == 460800;
    const bool raised = asked && c.faults.commandError.code != kCmdLineSpeed;
    EXPECT_EQ(Logged("Port speed 460800"), raised);
    EXPECT_EQ(Logged("The port can't run at 250000 bit/s; the line stays at 115200"), !asked);
    EXPECT_EQ(t.Packets(kCmdLineSpeed).size(), asked ? 1u : 0u);
    if (asked) EXPECT_EQ(t.Packets(kCmdLineSpeed)[0].raw, (std::vector<uint8_t>{0x05, 0x29, 0x00, 0x08, 0x07, 0x00}));
    EXPECT_EQ(handset->LineSpeed(), raised ? 460800u : kUploadSpeed);
    bool afterSpeed = false;
    for (const sim::LineChunk& chunk : t.chunks) {
      if (chunk.phase == sim::Phase::kUploadBlocks) afterSpeed = true;
      if (afterSpeed && chunk.direction == sim::Direction::kFromProgram) {
        EXPECT_EQ(chunk.programSpeed, raised ? 460800u : kUploadSpeed);
      }
    }
    EXPECT_EQ(t.stats.garbledFromProgram, 0u);
  }
}

// ---- Failures ----

// A package that is missing or no file ends the connection before anything
// is sent; one cut short is reported where the cut is found, and no zeros
// are uploaded in place of what is missing.
TEST_F(ConnectTest, AMissingOrTruncatedPackageEndsTheConnection) {
  StartHandset();
  // A FIFO would hold the program in its open for ever: it is no package.
  ASSERT_EQ(::mkfifo((dir / "fifo.res").c_str(), 0600), 0);
  const std::vector<uint8_t> whole = ReadFile(dir / "Varnel.res");
  WriteFile(dir / "cut.res", std::vector<uint8_t>(whole.begin(), whole.begin() + 9 + 2 + 100));  // of 600 bytes
  WriteFile(dir / "cut2.res", std::vector<uint8_t>(whole.begin(), whole.end() - 10));            // in a chunk
  struct Case {
    const char* name;
    bool opens;
    std::vector<std::string> reports;  // the step's, then the connect's
    bool stageOneUp;
  };
  const std::array<Case, 4> kCases = {{
      {"no-such-package", false, {"Error (13) (Serial:918)", "Error (13) (Serial_Base:107)"}, false},
      {"fifo.res", false, {"Error (13) (Serial:918)", "Error (13) (Serial_Base:107)"}, false},
      {"cut.res", true, {"Error (22) (Serial:938)", "Error (22) (Serial_Base:107)"}, false},
      // Stage one goes up, then the connection ends with 0x13.
      {"cut2.res", true, {"Error (22) (Serial:1076)", "Error (22) (Serial_Base:128)"}, true},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(owner.package.Open(dir / c.name), c.opens);
    owner.Clear();
    StartLink();
    AwaitClosed();
    const std::vector<std::string> after = LogFrom(c.reports[0]);
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(after.begin(), after.begin() + 2), c.reports);
    EXPECT_EQ(after.back(), "Com port closed");
    EXPECT_EQ(handset->Transcript().records > 0, c.stageOneUp);
    if (!c.opens) {
      EXPECT_EQ(after.size(), 4u) << "then Thread exit normally and the close";
      EXPECT_TRUE(handset->Transcript().Received(sim::Phase::kBootWait).empty()) << "nothing sent";
    }
    StopLink();
  }
  ASSERT_TRUE(Disconnected(1));
}

// A stop while the worker waits for the handset writes nothing; one while
// stage one goes up ends the connect promptly.
TEST_F(ConnectTest, AStopDuringTheConnectEndsItPromptly) {
  for (bool offered : {false, true}) {
    SCOPED_TRACE(offered);
    pacing = offered ? sim::Pacing::kLineRate : sim::Pacing::kOff;  // stage one takes seconds to go up
    StartHandset({.offer = offered ? sim::BootOffer::kOffer : sim::BootOffer::kNever}, 16000);
    StartLink();
    if (offered) {
      ASSERT_TRUE(handset->WaitFor([](const sim::TranscriptData& d) { return d.atLines.size() >= 2; },
                                   std::chrono::seconds(10)));
    }
    link->Stop();
    AwaitClosed(kStopBound);
    EXPECT_FALSE(Logged("Phone switched to serial mode!"));
    EXPECT_EQ(handset->Transcript().records, 0u) << "stage one was not finished";
    EXPECT_EQ(LogFrom("Thread exit normally"), (std::vector<std::string>{"Thread exit normally", "Com port closed"}));
    if (!offered) EXPECT_EQ(LogFrom("Thread started").size(), 3u) << "nothing between the start and the end";
    EXPECT_EQ(ProgramBytes().empty(), !offered);
    EXPECT_FALSE(link->IsOpen());
  }
}

}  // namespace
}  // namespace varnel::testing
