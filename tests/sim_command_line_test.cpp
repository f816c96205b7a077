// varnel-sim's switches: each lands in the handset options or fault plan,
// and malformed values are refused with a message.
#include "sim/command_line.h"

#include <gtest/gtest.h>

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

constexpr const char* kLineOptions =
    "--flash image.bin --link=./ttyHANDSET --pace --transcript t.txt --power-off-on-close --answer-timeout 700 "
    "--offer-interval 0x64 --adapter-latency 16";
constexpr const char* kFaultSwitches =
    "--never-offer --junk-before-offer 3 --junk-before-ack 2 --boot-response 0x41 --corrupt-crc 4:2:3 "
    "--abort-dump-at 5 --answer-block flash:2:0x16:always --silent-block upload:1 --silent-command 0x31:2 "
    "--command-error 0x36:0x77 --hang-up-after dump:3 --lost-ack 3 --noise-before-block 2:5 "
    "--endless-noise-at-block 4 --stall-block 2:10:250 --oversize-last-block 0x10 --wrong-block-number 2:9 "
    "--babble offer --weak-flash-cell 0x2500010";

TEST(CommandLineTest, LineOptionsReachTheHandsetOptions) {
  HandsetOptions o = Parsed(Words(kLineOptions));
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

// The forms of the switches that give other values follow the whole set.
TEST(CommandLineTest, FaultSwitchesFillTheFaultPlan) {
  FaultPlan all;
  all.offer = BootOffer::kNever;
  all.junkBeforeOffer = 3;
  all.junkBeforeRecordAck = 2;
  all.bootResponse = 0x41;
  all.corruptCrc = {4, 2, 3};
  all.abortDumpAtBlock = 5;
  all.blockAnswer = {ReceivedBlocks::kFlashOnly, 2, 0x16, kEveryTime};
  all.silentBlock = {ReceivedBlocks::kUploadOnly, 1, 1};
  all.silentCommand = {0x31, 2};
  all.commandError = {0x36, 0x77, 1};
  all.hangUp = {TransferKind::Dump, 3};
  all.lostAck = {3, 1};
  all.noiseBeforeBlock = {2, 5};
  all.endlessNoiseAtBlock = 4;
  all.stallBlock = {2, 10, std::chrono::milliseconds(250), 1};
  all.oversizeLastBlock = 16;
  all.wrongNumber = {2, 9, 1};
  all.babble = Babble::kInsteadOfOffer;
  all.weakFlashCell = 0x2500010;
  struct Case {
    const char* line;
    std::function<void(FaultPlan&)> set;
  };
  const Case cases[] = {
      {kFaultSwitches, [&all](FaultPlan& f) { f = all; }},
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
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    FaultPlan expected;
    c.set(expected);
    EXPECT_TRUE(Parsed(Words(c.line)).faults == expected);
  }
}

TEST(CommandLineTest, HelpNamesEverySwitch) {
  HandsetOptions options;
  std::string error;
  EXPECT_EQ(ParseCommandLine({"--help"}, &options, &error), CommandLineResult::kHelp);
  for (const std::string& word : Words(std::string(kLineOptions) + " " + kFaultSwitches)) {
    if (!word.starts_with("--")) continue;
    const std::string name = word.substr(0, word.find('='));
    EXPECT_NE(std::string(UsageText()).find(name), std::string::npos) << name;
  }
}

// --- error paths ---

TEST(CommandLineTest, RefusesMalformedValues) {
  // One malformed command line before each semicolon.
  std::istringstream bad(
      "--bogus; --flash; --answer-timeout 0; --answer-timeout soon; --corrupt-crc 0; "
      "--corrupt-crc 1:2:3:4; --answer-block 2:0x06; --answer-block flash:2; --command-error 0x31:0; "
      "--command-error 0x131:5; --hang-up-after boot:1; --hang-up-after dump:0; --boot-response 0; "
      "--pace=yes; --lost-ack 0; --lost-ack always; --noise-before-block 2; --noise-before-block 2:0; "
      "--endless-noise-at-block 0; --stall-block 2:10; --stall-block 2:10:0; --stall-block 0:10:100; "
      "--oversize-last-block 0; --oversize-last-block 65536; --wrong-block-number 2:2; "
      "--wrong-block-number 2:65536; --babble always; --adapter-latency 256; --weak-flash-cell 0; "
      "--adapter-latency soon");
  int lines = 0;
  for (std::string line; std::getline(bad >> std::ws, line, ';'); ++lines) {
    SCOPED_TRACE(line);
    HandsetOptions options;
    std::string error;
    EXPECT_EQ(ParseCommandLine(Words(line), &options, &error), CommandLineResult::kError);
    EXPECT_FALSE(error.empty());
  }
  EXPECT_EQ(lines, 30);
}

}  // namespace
}  // namespace varnel::sim
