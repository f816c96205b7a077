// varnel-sim's switches: each lands in the handset options or fault plan,
// and malformed values are refused with a message.
#include "sim/command_line.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace varnel::sim {
namespace {

// A command line written as one text, its arguments parted by blanks.
std::vector<std::string> Words(const std::string& line) {
  std::istringstream text(line);
  return {std::istream_iterator<std::string>(text), std::istream_iterator<std::string>()};
}

HandsetOptions Parsed(const std::vector<std::string>& arguments) {
  HandsetOptions options;
  std::string error;
  EXPECT_EQ(ParseCommandLine(arguments, &options, &error), CommandLineResult::kRun) << error;
  return options;
}

TEST(CommandLineTest, LineOptionsReachTheHandsetOptions) {
  HandsetOptions o =
      Parsed({"--flash", "image.bin", "--link=./ttyHANDSET", "--pace", "--transcript", "t.txt", "--power-off-on-close",
              "--answer-timeout", "700", "--offer-interval", "0x64", "--adapter-latency", "16"});
  EXPECT_EQ(o.flashImagePath, "image.bin");
  EXPECT_EQ(o.linkPath, "./ttyHANDSET");
  EXPECT_EQ(o.transcriptPath, "t.txt");
  EXPECT_EQ(o.pacing, Pacing::kLineRate);
  EXPECT_EQ(o.afterHangUp, AfterHangUp::kPowerOff);
  EXPECT_EQ(o.timing.answerTimeout.count(), 700);
  EXPECT_EQ(o.timing.offerInterval.count(), 100);
  EXPECT_EQ(o.adapterLatency.count(), 16);
  EXPECT_EQ(Parsed({"--adapter-latency", "0"}).adapterLatency.count(), 0);
}

TEST(CommandLineTest, FaultSwitchesFillTheFaultPlan) {
  FaultPlan expected;
  expected.offer = BootOffer::kNever;
  expected.junkBeforeOffer = 3;
  expected.junkBeforeRecordAck = 2;
  expected.bootResponse = 0x41;
  expected.corruptCrc = {4, 2, 3};
  expected.abortDumpAtBlock = 5;
  expected.blockAnswer = {ReceivedBlocks::kFlashOnly, 2, 0x16, kEveryTime};
  expected.silentBlock = {ReceivedBlocks::kUploadOnly, 1, 1};
  expected.silentCommand = {0x31, 2};
  expected.commandError = {0x36, 0x77, 1};
  expected.hangUp = {TransferKind::Dump, 3};
  expected.lostAck = {3, 1};
  expected.noiseBeforeBlock = {2, 5};
  expected.endlessNoiseAtBlock = 4;
  expected.stallBlock = {2, 10, std::chrono::milliseconds(250), 1};
  expected.oversizeLastBlock = 16;
  expected.wrongNumber = {2, 9, 1};
  expected.babble = Babble::kInsteadOfOffer;
  expected.weakFlashCell = 0x2500010;
  EXPECT_TRUE(Parsed(Words("--never-offer --junk-before-offer 3 --junk-before-ack 2 --boot-response 0x41 "
                           "--corrupt-crc 4:2:3 --abort-dump-at 5 --answer-block flash:2:0x16:always "
                           "--silent-block upload:1 --silent-command 0x31:2 --command-error 0x36:0x77 "
                           "--hang-up-after dump:3 --lost-ack 3 --noise-before-block 2:5 "
                           "--endless-noise-at-block 4 --stall-block 2:10:250 --oversize-last-block 0x10 "
                           "--wrong-block-number 2:9 --babble offer --weak-flash-cell 0x2500010"))
                  .faults == expected);
}

// The forms of the switches above that give other values.
TEST(CommandLineTest, SwitchVariantsFillTheFaultPlan) {
  struct Case {
    const char* line;
    std::function<void(FaultPlan&)> set;
  };
  const std::array<Case, 5> kCases = {{
      {"--lost-ack 3:always",
       [](FaultPlan& f) {
         f.lostAck = LostAckFault{3, kEveryTime};
       }},
      {"--stall-block=2:0:0x10:3",
       [](FaultPlan& f) {
         f.stallBlock = StallBlockFault{2, 0, std::chrono::milliseconds(16), 3};
       }},
      {"--wrong-block-number 2:0:2",
       [](FaultPlan& f) {
         f.wrongNumber = WrongNumberFault{2, 0, 2};
       }},
      {"--babble ok", [](FaultPlan& f) { f.babble = Babble::kInsteadOfOk; }},
      {"--babble ack", [](FaultPlan& f) { f.babble = Babble::kInsteadOfRecordAck; }},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.line);
    FaultPlan expected;
    c.set(expected);
    EXPECT_TRUE(Parsed(Words(c.line)).faults == expected);
  }
}

TEST(CommandLineTest, HelpIsRecognised) {
  HandsetOptions options;
  std::string error;
  EXPECT_EQ(ParseCommandLine({"--help"}, &options, &error), CommandLineResult::kHelp);
  for (const char* name :
       {"--link", "--flash", "--pace", "--corrupt-crc", "--hang-up-after", "--command-error", "--never-offer",
        "--lost-ack", "--noise-before-block", "--endless-noise-at-block", "--stall-block", "--oversize-last-block",
        "--wrong-block-number", "--babble", "--adapter-latency", "--weak-flash-cell"}) {
    EXPECT_NE(std::string(UsageText()).find(name), std::string::npos) << name;
  }
}

// --- error paths ---

TEST(CommandLineTest, RefusesMalformedValues) {
  const std::vector<std::string> bad = {"--bogus",
                                        "--flash",
                                        "--answer-timeout 0",
                                        "--answer-timeout soon",
                                        "--corrupt-crc 0",
                                        "--corrupt-crc 1:2:3:4",
                                        "--answer-block 2:0x06",
                                        "--answer-block flash:2",
                                        "--command-error 0x31:0",
                                        "--command-error 0x131:5",
                                        "--hang-up-after boot:1",
                                        "--hang-up-after dump:0",
                                        "--boot-response 0",
                                        "--pace=yes",
                                        "--lost-ack 0",
                                        "--lost-ack always",
                                        "--noise-before-block 2",
                                        "--noise-before-block 2:0",
                                        "--endless-noise-at-block 0",
                                        "--stall-block 2:10",
                                        "--stall-block 2:10:0",
                                        "--stall-block 0:10:100",
                                        "--oversize-last-block 0",
                                        "--oversize-last-block 65536",
                                        "--wrong-block-number 2:2",
                                        "--wrong-block-number 2:65536",
                                        "--babble always",
                                        "--adapter-latency 256",
                                        "--weak-flash-cell 0",
                                        "--adapter-latency soon"};
  for (const std::string& line : bad) {
    SCOPED_TRACE(line);
    HandsetOptions options;
    std::string error;
    EXPECT_EQ(ParseCommandLine(Words(line), &options, &error), CommandLineResult::kError);
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace varnel::sim
