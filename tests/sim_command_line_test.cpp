// varnel-sim's switches: each lands in the handset options or fault plan,
// and malformed values are refused with a message.
#include "sim/command_line.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace varnel::sim {
namespace {

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
  EXPECT_TRUE(Parsed({"--never-offer",
                      "--junk-before-offer",
                      "3",
                      "--junk-before-ack",
                      "2",
                      "--boot-response",
                      "0x41",
                      "--corrupt-crc",
                      "4:2:3",
                      "--abort-dump-at",
                      "5",
                      "--answer-block",
                      "flash:2:0x16:always",
                      "--silent-block",
                      "upload:1",
                      "--silent-command",
                      "0x31:2",
                      "--command-error",
                      "0x36:0x77",
                      "--hang-up-after",
                      "dump:3"})
                  .faults == expected);
}

TEST(CommandLineTest, HostileLineSwitchesFillTheFaultPlan) {
  struct Case {
    std::vector<std::string> arguments;
    FaultPlan expected;
  };
  auto plan = [](const std::function<void(FaultPlan&)>& set) {
    FaultPlan f;
    set(f);
    return f;
  };
  const Case cases[] = {
      {{"--lost-ack", "3"}, plan([](FaultPlan& f) {
         f.lostAck = {3, 1};
       })},
      {{"--lost-ack", "3:always"}, plan([](FaultPlan& f) {
         f.lostAck = {3, kEveryTime};
       })},
      {{"--noise-before-block", "2:5"}, plan([](FaultPlan& f) {
         f.noiseBeforeBlock = {2, 5};
       })},
      {{"--endless-noise-at-block", "4"}, plan([](FaultPlan& f) { f.endlessNoiseAtBlock = 4; })},
      {{"--stall-block", "2:10:250"}, plan([](FaultPlan& f) {
         f.stallBlock = {2, 10, std::chrono::milliseconds(250), 1};
       })},
      {{"--stall-block=2:0:0x10:3"}, plan([](FaultPlan& f) {
         f.stallBlock = {2, 0, std::chrono::milliseconds(16), 3};
       })},
      {{"--oversize-last-block", "0x10"}, plan([](FaultPlan& f) { f.oversizeLastBlock = 16; })},
      {{"--wrong-block-number", "2:9"}, plan([](FaultPlan& f) {
         f.wrongNumber = {2, 9, 1};
       })},
      {{"--wrong-block-number", "2:0:2"}, plan([](FaultPlan& f) {
         f.wrongNumber = {2, 0, 2};
       })},
      {{"--babble", "offer"}, plan([](FaultPlan& f) { f.babble = Babble::kInsteadOfOffer; })},
      {{"--babble", "ok"}, plan([](FaultPlan& f) { f.babble = Babble::kInsteadOfOk; })},
      {{"--babble", "ack"}, plan([](FaultPlan& f) { f.babble = Babble::kInsteadOfRecordAck; })},
      {{"--weak-flash-cell", "0x2500010"}, plan([](FaultPlan& f) { f.weakFlashCell = 0x2500010; })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.front() + " " + c.arguments.back());
    EXPECT_TRUE(Parsed(c.arguments).faults == c.expected);
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
  const std::vector<std::vector<std::string>> bad = {
      {"--bogus"},
      {"--flash"},
      {"--answer-timeout", "0"},
      {"--answer-timeout", "soon"},
      {"--corrupt-crc", "0"},
      {"--corrupt-crc", "1:2:3:4"},
      {"--answer-block", "2:0x06"},
      {"--answer-block", "flash:2"},
      {"--command-error", "0x31:0"},
      {"--command-error", "0x131:5"},
      {"--hang-up-after", "boot:1"},
      {"--hang-up-after", "dump:0"},
      {"--boot-response", "0"},
      {"--pace=yes"},
      {"--lost-ack", "0"},
      {"--lost-ack", "always"},
      {"--noise-before-block", "2"},
      {"--noise-before-block", "2:0"},
      {"--endless-noise-at-block", "0"},
      {"--stall-block", "2:10"},
      {"--stall-block", "2:10:0"},
      {"--stall-block", "0:10:100"},
      {"--oversize-last-block", "0"},
      {"--oversize-last-block", "65536"},
      {"--wrong-block-number", "2:2"},
      {"--wrong-block-number", "2:65536"},
      {"--babble", "always"},
      {"--adapter-latency", "256"},
      {"--weak-flash-cell", "0"},
      {"--adapter-latency", "soon"},
  };
  for (const std::vector<std::string>& arguments : bad) {
    SCOPED_TRACE(arguments.front());
    HandsetOptions options;
    std::string error;
    EXPECT_EQ(ParseCommandLine(arguments, &options, &error), CommandLineResult::kError);
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace varnel::sim
