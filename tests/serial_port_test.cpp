// The link's port over a real pseudo-terminal: what only a real terminal
// shows (its speeds, bytes crossing unchanged, a blocking wait woken, a
// hang-up, the lock against a second program, a device opened through a
// link to it), and the reasons an open fails that name the group to join
// (or what else refuses a user) and the process that holds the port.
// The protocol's logic is pinned on the fake port (link_protocol_test.cpp).
#include <fcntl.h>
#include <grp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <thread>

#include "link/link_protocol.h"
#include "port/serial_port.h"
#include "sim/pty_master.h"
#include "tests/child_process.h"
#include "tests/test_support.h"
#include "texts/code_page.h"

namespace varnel::testing {
namespace {

constexpr int kReadWaitMs = 2000;
constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;
constexpr int kHoldMs = 30000;  // a holding child ends by itself should the test not end it
constexpr char kHolderName[] = "cable-holder";
constexpr char kReady[] = "ready";

class SerialPortTest : public ::testing::Test {
 protected:
  SerialPortTest() : app("Varnel", kUtf8CodePage, {}), link(app, owner, port, command) {}

  void Open() {
    ASSERT_TRUE(pty.IsOpen());
    ASSERT_EQ(link.line.OpenPort(pty.SlavePath().c_str(), kQueueBytes, kQueueBytes), kStatusOk);
  }

  // Reads from the handset's side until `count` bytes arrived or time ran out.
  std::vector<uint8_t> HandsetReceives(size_t count) {
    std::vector<uint8_t> bytes;
    uint8_t buffer[4096];
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadWaitMs);
    while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
      size_t n = pty.Read(buffer, sizeof buffer, 50);
      bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
  }

  Application app;
  RecordingOwner owner;
  SerialPort port{app};
  std::atomic<LinkCommand> command{LinkCommand::Connect};
  LinkProtocol link;
  sim::PtyMaster pty;
};

// The open sets the boot speed whatever speed the port was left at (here
// 9600 bit/s by another program); a speed trial leaves the speed alone.
TEST_F(SerialPortTest, OpenSetsBootSpeedAndLogsOpenedAndSpeedChanges) {
  {
    int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios tio{};
    ASSERT_EQ(::tcgetattr(fd, &tio), 0);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    ASSERT_EQ(::tcsetattr(fd, TCSANOW, &tio), 0);
    ::close(fd);
  }
  ASSERT_EQ(pty.ProgramSpeed(), 9600u);
  Open();
  EXPECT_EQ(owner.Texts(), std::vector<std::string>{"Com port opened"}) << "no speed line";
  EXPECT_EQ(owner.Lines()[0].colour, kBlack);
  EXPECT_EQ(pty.ProgramSpeed(), kBootSpeed);

  for (uint32_t speed : {460800u, kBootSpeed}) EXPECT_TRUE(port.CanRunAt(speed)) << speed;
  for (uint32_t speed : {250000u, 0u}) EXPECT_FALSE(port.CanRunAt(speed)) << speed;
  EXPECT_EQ(pty.ProgramSpeed(), kBootSpeed);

  ASSERT_EQ(link.line.SetLineSpeed(kBootSpeed), kStatusOk);
  EXPECT_EQ(owner.Lines().size(), 1u) << "the same speed logs nothing";
  ASSERT_EQ(link.line.SetLineSpeed(460800), kStatusOk);
  EXPECT_EQ(owner.Lines().back().text, "Port speed 460800");
  EXPECT_EQ(owner.Lines().back().colour, kGrey);
  EXPECT_EQ(pty.ProgramSpeed(), 460800u);
}

// Binary bytes cross unchanged both ways; a read leaves the rest queued; a
// whole large block is queued and read in one call; a read's time-out is
// left to the caller to report.
TEST_F(SerialPortTest, BytesCrossUnchangedAndReadsTakeWhatTheyAskFor) {
  Open();
  const std::vector<uint8_t> bytes = {0x0D, 0x0A, 0x11, 0x13, 0x03, 0x1A, 0x7F, 0x00, 0xFF, 0x04, 0x0D};
  ASSERT_EQ(link.line.WriteBytes(bytes.data(), static_cast<uint32_t>(bytes.size())), kStatusOk);
  EXPECT_EQ(HandsetReceives(bytes.size()), bytes);

  ASSERT_TRUE(pty.Write(bytes.data(), bytes.size()));
  std::vector<uint8_t> received(bytes.size());
  uint32_t got = 0;
  ASSERT_EQ(link.line.ReadExact(received.data(), 8, &got, kReadWaitMs), kStatusOk);
  EXPECT_EQ(got, 8u);
  uint32_t queued = 0;
  ASSERT_EQ(link.line.GetQueuedCount(&queued), kStatusOk);
  EXPECT_EQ(queued, bytes.size() - 8);
  ASSERT_EQ(link.line.ReadExact(received.data() + 8, queued, &got, kReadWaitMs), kStatusOk);
  EXPECT_EQ(received, bytes);

  std::vector<uint8_t> block(8192 + kBlockOverheadBytes);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7 + i / 256);
  std::thread handset([&] { pty.Write(block.data(), block.size()); });
  received.assign(block.size(), 0);
  const LinkStatus result = link.line.ReadExact(received.data(), static_cast<uint32_t>(block.size()), &got, 5000);
  handset.join();
  ASSERT_EQ(result, kStatusOk);
  EXPECT_EQ(received, block);

  const size_t before = owner.Lines().size();
  got = 99;
  EXPECT_EQ(link.line.ReadExact(received.data(), 1, &got, 30), kStatusTimeout);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(owner.Lines().size(), before) << "a time-out is not reported here";
  EXPECT_EQ(link.line.ReadExact(received.data(), 0, &got, 30), kStatusRead);
  EXPECT_EQ(owner.Texts().back(), "Read NULL (23) (Serial:597)");
}

// The wait blocks in the system; a stop from another thread wakes it.
TEST_F(SerialPortTest, AStopWakesABlockingWaitWithNothingRead) {
  struct Case {
    const char* what;
    std::function<void()> stop;
  };
  const std::array<Case, 2> kCases = {{
      {"a report's stop request", [this] { link.line.RequestStop(); }},
      {"the user's stop",
       [this] {
         command.store(LinkCommand::Stop);
         port.Wake();
       }},
  }};
  Open();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    link.line.ClearStopRequest();
    command.store(LinkCommand::Idle);
    std::thread stopper([&] {
      // The stop comes while the wait blocks (or before it starts: it is
      // not lost either way).
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      c.stop();
    });
    uint8_t buffer[1];
    uint32_t got = 99;
    auto start = std::chrono::steady_clock::now();
    LinkStatus result = link.line.ReadExact(buffer, 1, &got, 20000);
    auto waited = std::chrono::steady_clock::now() - start;
    stopper.join();
    EXPECT_EQ(result, kStatusOk);
    EXPECT_EQ(got, 0u);
    EXPECT_LT(waited, std::chrono::seconds(10)) << "the stop ended the wait, not the time-out";
  }
}

// A COM name of section [Ports] leads through a link to the device (as
// through /dev/serial/by-id); the lock is the device's, whichever name
// opened it. Opening it again is refused and leaves it working; closing
// it disconnects an active loader first, and closing again is harmless.
TEST_F(SerialPortTest, APortOpensThroughTheMapAndALinkAndIsHeldUntilClosed) {
  TempDir dir;
  ScopedWorkingDir cwd(dir.Path());
  const std::filesystem::path byId = dir / "usb-Cable_USB_UART_A1-if00-port0";
  std::filesystem::create_symlink(pty.SlavePath(), byId);
  std::ofstream(dir / "varnel.ini") << "[Ports]\nCOM3=" << byId.string() << "\n";
  ASSERT_EQ(link.line.OpenPort("COM3", kQueueBytes, kQueueBytes), kStatusOk);

  EXPECT_EQ(link.line.OpenPort("COM3", kQueueBytes, kQueueBytes), kStatusAlreadyOpen);
  EXPECT_EQ(owner.Texts().back(), "Port already open (10) (Serial:126)");
  EXPECT_EQ(owner.Lines().back().colour, kRed);
  EXPECT_FALSE(link.line.StopRequested());
  ASSERT_EQ(link.line.WriteByte(0x42), kStatusOk);

  RecordingOwner otherOwner;
  SerialPort otherPort{app};
  std::atomic<LinkCommand> otherCommand{LinkCommand::Connect};
  LinkProtocol other(app, otherOwner, otherPort, otherCommand);
  EXPECT_EQ(other.line.OpenPort(pty.SlavePath().c_str(), kQueueBytes, kQueueBytes), kStatusCantOpenPort);
  EXPECT_EQ(otherOwner.Texts()[0], "Can't open port (11) (Serial:142)");

  link.line.SetLoaderActive();
  EXPECT_EQ(link.commands.ClosePort(), kStatusOk);
  EXPECT_EQ(HandsetReceives(3), (std::vector<uint8_t>{0x42, 0x01, 0x13}));
  EXPECT_FALSE(link.line.LoaderActive());
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(owner.Texts().back(), "Com port closed");
  EXPECT_EQ(link.commands.ClosePort(), kStatusOk) << "closing again is harmless";
  EXPECT_EQ(other.line.OpenPort(pty.SlavePath().c_str(), kQueueBytes, kQueueBytes), kStatusOk);
}

// ---- Failures ----

// A COM name outside the port map is the USB adapter of its number: here
// one no machine has.
TEST_F(SerialPortTest, MissingDeviceReports11WithTheReason) {
  TempDir dir;
  ScopedWorkingDir cwd(dir.Path());  // no port map
  EXPECT_EQ(link.line.OpenPort("COM200", kQueueBytes, kQueueBytes), kStatusCantOpenPort);
  auto lines = owner.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "Can't open port (11) (Serial:142)");
  EXPECT_EQ(lines[0].colour, kRed);
  EXPECT_EQ(lines[1].text.rfind("/dev/ttyUSB199: No such file or directory", 0), 0u);
  EXPECT_EQ(lines[1].colour, kGrey);
  EXPECT_TRUE(link.line.StopRequested());
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialPortTest, HangUpFailsReadsAndWritesAndIsReportedOnce) {
  Open();
  pty.Close();
  uint8_t buffer[1];
  uint32_t got = 0;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(link.line.ReadExact(buffer, 1, &got, 200), kStatusRead);
  EXPECT_EQ(link.line.WriteByte(1), kStatusWrite);
  auto texts = owner.Texts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "Error (19) (Serial:758)"), 1);
  EXPECT_TRUE(link.line.StopRequested());
}

// A user refused the device (opened through a link to it, as through
// /dev/serial/by-id) is told the group to join, or what else stops it.
TEST_F(SerialPortTest, ARefusedUserIsToldWhichGroupToJoinOrWhatElseStopsIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "dropping to another user needs root";
  const group* dialout = ::getgrnam("dialout");
  if (dialout == nullptr) GTEST_SKIP() << "no group dialout";
  const gid_t dialoutGid = dialout->gr_gid;
  ASSERT_TRUE(pty.IsOpen());
  const std::string slave = pty.SlavePath();
  TempDir dir;
  std::filesystem::permissions(dir.Path(), std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
                               std::filesystem::perm_options::add);
  const std::string byId = (dir / "usb-Cable_USB_UART_A1-if00-port0").string();
  std::filesystem::create_symlink(slave, byId);
  const std::string join =
      "The device belongs to group dialout: join it with `sudo usermod -aG dialout $USER`, then log out and in "
      "again (a new group counts from a new login).";
  const std::string mode =
      " Its mode 0600 gives the group no read and write access: the mode must allow it (a udev rule: "
      "MODE=\"0660\").";
  struct Case {
    gid_t gid;
    mode_t mode;
    bool inDialout;  // the user's supplementary groups: dialout, or none
    std::string advice;
  };
  const std::array<Case, 4> kCases = {{
      {dialoutGid, 0660, false, join},
      {dialoutGid, 0600, false, join + mode},
      {dialoutGid, 0600, true, "The device belongs to group dialout, which this user is in already." + mode},
      {0, 0660, false,
       "Only root may open it; a udev rule can give the device a group such as dialout (GROUP=\"dialout\", "
       "MODE=\"0660\")."},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.advice);
    ASSERT_EQ(::chown(slave.c_str(), 0, c.gid), 0);
    ASSERT_EQ(::chmod(slave.c_str(), c.mode), 0);
    ForkedChild child([&](int out) {
      if (::setgroups(c.inDialout ? 1 : 0, &dialoutGid) != 0 || ::setgid(kNoGroup) != 0 || ::setuid(kNobody) != 0) {
        WriteAll(out, "could not become nobody");
        return;
      }
      SerialPort refused(app);
      std::string reason;
      WriteAll(out, refused.Open(byId, &reason) ? "opened" : reason);
    });
    ASSERT_GT(child.Pid(), 0);
    EXPECT_EQ(child.Read(), byId + ": " + std::strerror(EACCES) + ". " + c.advice);
  }
}

TEST_F(SerialPortTest, APortHeldByAnotherProcessNamesThatProcess) {
  ASSERT_TRUE(pty.IsOpen());
  const std::string slave = pty.SlavePath();
  ForkedChild holder([&](int out) {
    ::prctl(PR_SET_NAME, kHolderName);
    std::string reason;
    WriteAll(out, port.Open(slave, &reason) ? kReady : reason);
    ::poll(nullptr, 0, kHoldMs);
  });
  ASSERT_GT(holder.Pid(), 0);
  ASSERT_EQ(holder.Read(kReady), kReady);
  std::string reason;
  ASSERT_FALSE(port.Open(slave, &reason));
  // A process that may pass TIOCEXCL (root with CAP_SYS_ADMIN) meets the
  // lock (EWOULDBLOCK); others are refused at open (EBUSY).
  const std::string held = ". It is held by " + std::string(kHolderName) + " (pid " + std::to_string(holder.Pid()) +
                           "). Close that program and try again.";
  EXPECT_TRUE(reason == slave + ": " + std::strerror(EBUSY) + held ||
              reason == slave + ": " + std::strerror(EWOULDBLOCK) + held)
      << reason;
}

}  // namespace
}  // namespace varnel::testing
