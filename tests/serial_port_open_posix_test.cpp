// SerialPort::Open on real pseudo-terminals: a device opens through a link
// to it (as through /dev/serial/by-id), and the reason it can't be opened
// names the group to join when a user outside it is refused, and the
// process that holds it when another process has it.
#include <fcntl.h>
#include <grp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <string>

#include "port/serial_port.h"
#include "texts/code_page.h"
#include "sim/pty_master.h"
#include "files/unique_fd.h"
#include "tests/child_process.h"
#include "tests/test_support.h"

namespace varnel::testing {
namespace {

// The texts the port's reasons are made of.
const Application& EnglishTexts() {
  static const Application app("Varnel", kUtf8CodePage, {});
  return app;
}

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;
constexpr int kHoldMs = 30000;  // a holding child ends by itself should the test not end it
constexpr char kHolderName[] = "cable-holder";
constexpr char kReady[] = "ready";

TEST(SerialPortOpenTest, ADeviceOpensThroughALinkToIt) {
  sim::PtyMaster pty;
  ASSERT_TRUE(pty.IsOpen());
  TempDir dir;
  const std::filesystem::path link = dir / "usb-Cable_USB_UART_A1-if00-port0";
  std::filesystem::create_symlink(pty.SlavePath(), link);
  SerialPort port(EnglishTexts());
  std::string reason;
  ASSERT_TRUE(port.Open(link.string(), &reason)) << reason;
  const uint8_t byte = 0x5A;
  uint32_t written = 0;
  ASSERT_TRUE(port.Write(&byte, 1, &written));
  uint8_t received = 0;
  EXPECT_EQ(pty.Read(&received, 1, kChildAnswerMs), 1u);
  EXPECT_EQ(received, byte);
  // The lock is the device's, whichever name opened it.
  SerialPort other(EnglishTexts());
  EXPECT_FALSE(other.Open(pty.SlavePath(), &reason));
}

TEST(SerialPortOpenTest, ARefusedUserIsToldWhichGroupToJoinOrWhatElseStopsIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "dropping to another user needs root";
  const group* dialout = ::getgrnam("dialout");
  if (dialout == nullptr) GTEST_SKIP() << "no group dialout";
  const gid_t dialoutGid = dialout->gr_gid;
  sim::PtyMaster pty;
  ASSERT_TRUE(pty.IsOpen());
  const std::string slave = pty.SlavePath();
  const std::string join =
      "The device belongs to group dialout: join it with `sudo usermod -aG dialout $USER`, then log out and in "
      "again (a new group counts from a new login).";
  const std::string mode =
      " Its mode 0600 gives the group no read and write access: the mode must allow it (a udev rule: "
      "MODE=\"0660\").";
  struct Case {
    mode_t mode;
    bool inDialout;  // the user's supplementary groups: dialout, or none
    std::string advice;
  };
  const std::array<Case, 3> kCases = {{
      {0660, false, join},
      {0600, false, join + mode},
      {0600, true, "The device belongs to group dialout, which this user is in already." + mode},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.advice);
    ASSERT_EQ(::chown(slave.c_str(), 0, dialoutGid), 0);
    ASSERT_EQ(::chmod(slave.c_str(), c.mode), 0);
    ForkedChild child([&](int out) {
      if (::setgroups(c.inDialout ? 1 : 0, &dialoutGid) != 0 || ::setgid(kNoGroup) != 0 || ::setuid(kNobody) != 0) {
        WriteAll(out, "could not become nobody");
        return;
      }
      SerialPort port(EnglishTexts());
      std::string reason;
      WriteAll(out, port.Open(slave, &reason) ? "opened" : reason);
    });
    ASSERT_GT(child.Pid(), 0);
    EXPECT_EQ(child.Read(), slave + ": " + std::strerror(EACCES) + ". " + c.advice);
  }
}

TEST(SerialPortOpenTest, APortHeldByAnotherProcessNamesThatProcess) {
  sim::PtyMaster pty;
  ASSERT_TRUE(pty.IsOpen());
  const std::string slave = pty.SlavePath();
  ForkedChild holder([&](int out) {
    ::prctl(PR_SET_NAME, kHolderName);
    SerialPort port(EnglishTexts());
    std::string reason;
    WriteAll(out, port.Open(slave, &reason) ? kReady : reason);
    ::poll(nullptr, 0, kHoldMs);
  });
  ASSERT_GT(holder.Pid(), 0);
  ASSERT_EQ(holder.Read(kReady), kReady);
  SerialPort port(EnglishTexts());
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
