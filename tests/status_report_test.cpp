// Status messages and the red report lines of the link.
#include <gtest/gtest.h>

#include <array>

#include "link/link_protocol.h"
#include "port/serial_port.h"
#include "tests/test_support.h"
#include "texts/code_page.h"

namespace varnel {
namespace {

class StatusReportTest : public ::testing::Test {
 protected:
  StatusReportTest() : app("Varnel", kUtf8CodePage, {}), link(app, owner, port, command) {}

  Application app;
  testing::RecordingOwner owner;
  SerialPort port{app};
  std::atomic<LinkCommand> command{LinkCommand::Connect};
  LinkProtocol link;
};

// The texts of the codes the link's tests never meet on a line (the
// others are pinned where they are reported), an unknown code's and a
// negative one's.
TEST_F(StatusReportTest, StatusTextFillsTheMessageWithTheCode) {
  struct Case {
    LinkStatus code;
    const char* text;
  };
  constexpr std::array<Case, 6> kCases = {{
      {3, "Write (3)"},
      {4, "Read (4)"},
      {6, "Setup comm port (6)"},
      {24, "Write NULL (24)"},
      {52, "Error (52)"},
      {-5, "Error (-5)"},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(LinkLine::StatusText(c.code), c.text);
  }
}

TEST_F(StatusReportTest, ReportErrorLogsTheLineReturnsTheStatusAndStopsOnlyWhenAsked) {
  EXPECT_EQ(link.line.ReportError(kStatusTimeout, kUnitSerial, 963, StopRequest::No), kStatusTimeout);
  EXPECT_EQ(link.line.ReportError(254, kUnitXm, 456, StopRequest::No), 254);
  EXPECT_FALSE(link.line.StopRequested());
  EXPECT_EQ(link.line.ReportError(kStatusNoPackage, kUnitBase, 107, StopRequest::Yes), kStatusNoPackage);
  EXPECT_TRUE(link.line.StopRequested());
  EXPECT_EQ(owner.Texts(),
            (std::vector<std::string>{"Timeout (2) (Serial:963)", "Command not implemented (254) (Serial_XM:456)",
                                      "Error (13) (Serial_Base:107)"}));
  for (const testing::LogLine& line : owner.Lines()) {
    EXPECT_EQ(line.colour, kRed);
  }
  EXPECT_EQ(link.line.FailureCount(), 3u);
}

TEST_F(StatusReportTest, ARetryIsLoggedAlikeButIsNoFailure) {
  EXPECT_EQ(link.line.ReportRetry(kStatusCrcMismatch, kUnitXm, 312), kStatusCrcMismatch);
  EXPECT_EQ(owner.Texts(), std::vector<std::string>{"XM CRC Error (58) (Serial_XM:312)"});
  EXPECT_EQ(link.line.FailureCount(), 0u);
}

}  // namespace
}  // namespace varnel
