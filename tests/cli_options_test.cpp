// The command line of varnel-cli.
#include <gtest/gtest.h>

#include <array>

#include "cli/cli_options.h"

namespace varnel::cli {
namespace {

bool Parse(const std::vector<std::string>& args, CliOptions* options) {
  bool help = false;
  std::string error;
  return ParseCliOptions(args, options, &help, &error);
}

TEST(CliOptionsTest, DefaultsAndOperations) {
  CliOptions options;
  ASSERT_TRUE(Parse({"connect"}, &options));
  EXPECT_EQ(options.port, "COM1");
  EXPECT_EQ(options.speed, 115200u);
  EXPECT_EQ(options.blockSize, 1024u);
  EXPECT_EQ(options.waitSeconds, -1);

  ASSERT_TRUE(
      Parse({"--port", "/dev/ttyS1", "--speed", "460800", "--block", "8192", "--wait", "5", "dump", "data", "d.bin"},
            &options));
  EXPECT_EQ(options.port, "/dev/ttyS1");
  EXPECT_EQ(options.speed, 460800u);
  EXPECT_EQ(options.blockSize, 8192u);
  EXPECT_EQ(options.waitSeconds, 5);
  EXPECT_EQ(options.operation, Operation::Dump);
  EXPECT_EQ(options.offset, 0x2500000u);
  EXPECT_EQ(options.size, 0x300000u);
  EXPECT_EQ(options.file, "d.bin");

  ASSERT_TRUE(Parse({"dump", "0x1000000", "0X10", "x.bin"}, &options));
  EXPECT_EQ(options.offset, 0x1000000u);
  EXPECT_EQ(options.size, 0x10u);
  ASSERT_TRUE(Parse({"flash", "0x2000000", "f.bin"}, &options));
  EXPECT_EQ(options.operation, Operation::Flash);
  EXPECT_EQ(options.offset, 0x2000000u);
  EXPECT_FALSE(options.verify);
  CliOptions verified;
  ASSERT_TRUE(Parse({"--verify", "flash", "0x2000000", "f.bin"}, &verified));
  EXPECT_TRUE(verified.verify);
  ASSERT_TRUE(Parse({"ports"}, &options));
  EXPECT_EQ(options.operation, Operation::Ports);
  EXPECT_EQ(options.trace, "");
  ASSERT_TRUE(Parse({"--trace", "line trace.txt", "connect"}, &options));
  EXPECT_EQ(options.trace, "line trace.txt");
}

TEST(CliOptionsTest, TheHelpListsEveryOperation) {
  const std::string usage = CliUsage();
  for (const char* operation : {"\n  connect ", "\n  dump OFFSET SIZE FILE ", "\n  dump PRESET FILE ",
                                "\n  flash OFFSET FILE ", "\n  ports "}) {
    EXPECT_NE(usage.find(operation), std::string::npos) << operation;
  }
}

TEST(CliOptionsTest, RefusesWhatItCannotDo) {
  const std::array<std::vector<std::string>, 14> kBad = {{
      {"--verify", "dump", "data", "d.bin"},
      {"--verify", "connect"},
      {},
      {"ports", "COM1"},
      {"erase"},
      {"dump", "1000000", "0x10", "x"},  // the region texts' reader: its own table has the rest
      {"--speed", "57600", "connect"},
      {"--block", "512", "connect"},
      {"--wait", "-1", "connect"},
      {"--speed", "115200x", "connect"},  // a number is all digits
      {"--wait", "5s", "connect"},
      {"--port"},
      {"--trace"},
      {"--trace", "", "connect"},
  }};
  for (const auto& args : kBad) {
    CliOptions options;
    EXPECT_FALSE(Parse(args, &options)) << (args.empty() ? "" : args[0]);
  }
}

}  // namespace
}  // namespace varnel::cli
