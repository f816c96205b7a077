// Status messages and the red report lines of the link.
#include <gtest/gtest.h>

#include <array>

#include "texts/code_page.h"
#include "link/serial_link.h"
#include "tests/test_support.h"

namespace varnel {
namespace {

class StatusReportTest : public ::testing::Test {
 protected:
  StatusReportTest() : app("Varnel", kUtf8CodePage, {}), link(app) { link.owner = &owner; }

  Application app;
  testing::RecordingOwner owner;  // outlives the link, which logs as it closes
  SerialLink link;
};

TEST_F(StatusReportTest, StatusTextFillsTheMessageWithTheCode) {
  struct Case {
    LinkStatus code;
    const char* text;
  };
  constexpr std::array<Case, 12> kCases = {{
      {2, "Timeout (2)"},
      {3, "Write (3)"},
      {4, "Read (4)"},
      {6, "Setup comm port (6)"},
      {10, "Port already open (10)"},
      {11, "Can't open port (11)"},
      {15, "Can't open file (15)"},
      {23, "Read NULL (23)"},
      {24, "Write NULL (24)"},
      {56, "File is too big or Address wrong (56)"},
      {57, "File is too big or Address wrong (57)"},
      {58, "XM CRC Error (58)"},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.code);
    EXPECT_STREQ(link.StatusText(c.code), c.text);
  }
  EXPECT_STREQ(link.StatusText(254), "Command not implemented (254)");
  EXPECT_STREQ(link.StatusText(52), "Error (52)");
  EXPECT_STREQ(link.StatusText(-5), "Error (-5)");
  EXPECT_STREQ(link.errorText.get(), "Error (-5)");
}

TEST_F(StatusReportTest, ReportLineNamesUnitAndLocationInRed) {
  link.status = kStatusTimeout;
  link.ReportStatus(kUnitSerial, 963);
  ASSERT_EQ(owner.Lines().size(), 1u);
  EXPECT_EQ(owner.Lines()[0].text, "Timeout (2) (Serial:963)");
  EXPECT_EQ(owner.Lines()[0].colour, kRed);
}

TEST_F(StatusReportTest, ReportErrorReturnsStatusAndSetsFlagsOnlyWithStop) {
  link.status = 254;
  EXPECT_EQ(link.ReportError(kUnitXm, 456, Stop::No), 254);
  EXPECT_FALSE(link.stopRequested.load());
  EXPECT_FALSE(link.closeOnExit.load());
  EXPECT_EQ(link.status, 254);

  link.status = kStatusNoPackage;
  EXPECT_EQ(link.ReportError(kUnitBase, 107, Stop::Yes), kStatusNoPackage);
  EXPECT_TRUE(link.stopRequested.load());
  EXPECT_TRUE(link.closeOnExit.load());
  EXPECT_EQ(owner.Texts(), (std::vector<std::string>{
                               "Command not implemented (254) (Serial_XM:456)",
                               "Error (13) (Serial_Base:107)"}));
}

}  // namespace
}  // namespace varnel
