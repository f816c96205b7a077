// The line trace: the text of its records, bursts split where the line
// turns round, changes speed, falls quiet or another record comes, the
// buffer that reaches the file only when flushed, full, closed or asked to
// write through, fresh and appended sessions, and the port and owner that
// record into it.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "link/line_trace.h"
#include "link/trace_format.h"
#include "link/traced_owner.h"
#include "link/traced_port.h"
#include "tests/fake_port.h"
#include "tests/test_support.h"
#include "texts/application.h"
#include "texts/code_page.h"

namespace varnel::testing {
namespace {

std::vector<uint8_t> Of(std::string_view text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// The file's lines after the header, each without its line end.
std::vector<std::string> Records(const std::filesystem::path& path) {
  std::istringstream text(ReadText(path));
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) {
    if (!line.starts_with("#")) lines.push_back(line);
  }
  return lines;
}

// The time, direction, speed and count columns, each byte in hex and, when
// printable, as text; a log line's colour named and its line ends escaped.
// (Every kind of record in its place: the records of the tests below.)
TEST(TraceFormatTest, RecordsShowTheirColumnsBytesAndColourWords) {
  EXPECT_EQ(TraceBurst(2104410, TraceDirection::Out, 38400, Of("AT\r")),
            "     2.104410 out    38400     3  41 54 0D  |AT.|\n");
  EXPECT_EQ(
      TraceBurst(86399999999, TraceDirection::In, 115200, std::vector<uint8_t>{0x00, 0x1F, 0x20, 0x7E, 0x7F, 0xFF}),
      " 86399.999999 in    115200     6  00 1F 20 7E 7F FF  |.. ~..|\n");
  for (const auto& [colour, word] : std::initializer_list<std::pair<LogColour, const char*>>{
           {kRed, "error"}, {kGreen, "success"}, {kGrey, "detail"}, {kBlack, "info"}, {0x123456, "0x123456"}}) {
    EXPECT_EQ(ColourWord(colour), word);
  }
  EXPECT_EQ(TraceLogLine(1500, kRed, "Timeout\r\nat 420"), "     0.001500 log   error   Timeout\\r\\nat 420\n");
  EXPECT_EQ(TraceEvent(7, kTraceOpen, "/dev/ttyUSB0"), "     0.000007 open  /dev/ttyUSB0\n");
  EXPECT_EQ(TraceEvent(7, kTraceClose), "     0.000007 close\n");
}

// ---- The trace file ----

class LineTraceTest : public ::testing::Test {
 protected:
  // A trace on a clock the test moves.
  std::unique_ptr<LineTrace> MakeTrace(size_t bufferBytes = kTraceBufferBytes, uint64_t maxFileBytes = kTraceMaxBytes) {
    return std::make_unique<LineTrace>([this] { return now; }, bufferBytes, maxFileBytes);
  }
  void Open(LineTrace& trace, TraceStart start = TraceStart::Fresh) {
    std::string reason;
    ASSERT_TRUE(trace.Open(path.string(), start, "COM1", &reason)) << reason;
  }
  uintmax_t FileSize() { return std::filesystem::file_size(path); }

  TempDir dir;
  std::filesystem::path path = dir / "trace.txt";
  uint64_t now = 1000000;  // the trace counts from its open
};

TEST_F(LineTraceTest, BurstsEndWhereTheLineTurnsChangesSpeedFallsQuietOrGrowsTooLong) {
  auto trace = MakeTrace();
  Open(*trace);
  trace->Speed(38400);
  now += 10;
  trace->Bytes(TraceDirection::In, std::vector<uint8_t>{0x81});
  now += 20;
  trace->Bytes(TraceDirection::Out, Of("~"));
  now += 30;  // the same way, soon after: the same burst
  trace->Bytes(TraceDirection::Out, Of("AT"));
  now += kBurstGapMicros;  // a gap not longer than the limit joins
  trace->Bytes(TraceDirection::Out, Of("\r"));
  now += kBurstGapMicros + 1;  // a longer one splits
  trace->Bytes(TraceDirection::Out, Of("X"));
  trace->LogLine("  Download Initiated \r\n", kBlack);
  trace->LogLine("   ", kBlack);  // blank: no record
  trace->Bytes(TraceDirection::In, Of("O"));
  trace->Speed(38400);  // unchanged: neither a record nor a split
  trace->Bytes(TraceDirection::In, Of("K"));
  trace->Speed(115200);
  trace->Bytes(TraceDirection::In, Of("."));
  // An overlong burst goes on in a new line.
  trace->Bytes(TraceDirection::Out, std::vector<uint8_t>(kBurstMaxBytes + 10, 0x55));
  trace->Close();
  std::vector<std::string> records = Records(path);
  ASSERT_EQ(records.size(), 10u);
  EXPECT_NE(records[8].find(" out   115200 " + std::to_string(kBurstMaxBytes) + "  55 55"), std::string::npos);
  EXPECT_NE(records[9].find(" out   115200    10  55 55"), std::string::npos);
  records.resize(8);
  EXPECT_EQ(records, (std::vector<std::string>{
                         "     0.000000 speed 38400",
                         "     0.000010 in     38400     1  81  |.|",
                         "     0.000030 out    38400     4  7E 41 54 0D  |~AT.|",
                         "     0.010061 out    38400     1  58  |X|",
                         "     0.010061 log   info    Download Initiated",
                         "     0.010061 in     38400     2  4F 4B  |OK|",
                         "     0.010061 speed 115200",
                         "     0.010061 in    115200     1  2E  |.|",
                     }));
  EXPECT_TRUE(ReadText(path).starts_with("# Varnel line trace of COM1, "));
}

TEST_F(LineTraceTest, RecordsReachTheFileOnlyWhenFlushedFullOrClosed) {
  constexpr size_t kSmallBuffer = 512;
  auto trace = MakeTrace(kSmallBuffer);
  Open(*trace);
  trace->Speed(38400);
  trace->Bytes(TraceDirection::Out, Of("AT\r"));
  trace->LogLine("Port speed 38400", kGrey);
  EXPECT_EQ(FileSize(), 0u) << "written before a flush";

  trace->LogLine("Timeout (Serial:420)", kRed);  // an error flushes
  const uintmax_t flushed = FileSize();
  EXPECT_NE(ReadText(path).find("log   error   Timeout (Serial:420)\n"), std::string::npos);
  EXPECT_NE(ReadText(path).find("41 54 0D  |AT.|\n"), std::string::npos);

  // Bursts that do not fit go out as the buffer fills, never one by one.
  for (int i = 0; i < 10; ++i) {
    trace->Bytes(TraceDirection::Out, std::vector<uint8_t>(40, 0x41));
    trace->Bytes(TraceDirection::In, std::vector<uint8_t>{0x06});
  }
  const uintmax_t filled = FileSize();
  EXPECT_GT(filled, flushed) << "a full buffer goes out";
  trace->Flush();
  EXPECT_GT(FileSize(), filled) << "the rest waits in memory";

  // A burst larger than the whole buffer goes straight through once it ends.
  const uintmax_t before = FileSize();
  trace->Bytes(TraceDirection::Out, std::vector<uint8_t>(kSmallBuffer, 0x42));
  trace->Bytes(TraceDirection::In, std::vector<uint8_t>{0x06});
  EXPECT_GT(FileSize(), before + 3 * kSmallBuffer);
  EXPECT_NE(ReadText(path).find(" 512  42 42"), std::string::npos);
  EXPECT_NE(ReadText(path).find("  |" + std::string(kSmallBuffer, 'B') + "|\n"), std::string::npos);

  trace->Bytes(TraceDirection::Out, Of("last"));
  trace->Close();
  EXPECT_FALSE(trace->IsOpen());
  EXPECT_NE(Records(path).back().find("6C 61 73 74  |last|"), std::string::npos);
  trace->Bytes(TraceDirection::Out, Of("after"));  // dropped
  EXPECT_EQ(ReadText(path).find("after"), std::string::npos);
}

TEST_F(LineTraceTest, FreshEmptiesTheFileAndAppendAddsASession) {
  auto trace = MakeTrace();
  Open(*trace);
  trace->LogLine("first", kBlack);
  trace->Close();
  Open(*trace, TraceStart::Append);
  trace->LogLine("second", kBlack);
  Open(*trace, TraceStart::Append);  // closes the one open first
  trace->LogLine("third", kBlack);
  EXPECT_EQ(ReadText(path).find("third"), std::string::npos) << "written before a flush";
  // After an interrupt the process may soon be ended: each record reaches
  // the file as it is made.
  trace->RequestWriteThrough();
  trace->LogLine("Interrupted", kBlack);
  EXPECT_NE(ReadText(path).find("third\n"), std::string::npos);
  EXPECT_NE(ReadText(path).find("Interrupted\n"), std::string::npos);
  trace.reset();  // the destructor closes
  std::string text = ReadText(path);
  EXPECT_EQ(std::count(text.begin(), text.end(), '#'), 3);
  EXPECT_LT(text.find("first"), text.find("second"));
  EXPECT_LT(text.find("second"), text.find("third"));

  trace = MakeTrace();
  Open(*trace, TraceStart::Fresh);
  trace->Close();
  text = ReadText(path);
  EXPECT_EQ(std::count(text.begin(), text.end(), '#'), 1);
  EXPECT_EQ(text.find("first"), std::string::npos);
}

// Past its limit a file is kept as "<file>.1" (one, the newest) and the
// trace goes on in a new file that starts with the header; an appended
// file already past it is moved aside before the session starts.
TEST_F(LineTraceTest, AFilePastItsLimitIsKeptAsDotOneAndTheTraceGoesOn) {
  constexpr uint64_t kLimit = 400;
  const std::filesystem::path old = dir / "trace.txt.1";
  auto trace = MakeTrace(64, kLimit);
  Open(*trace);
  for (int i = 0; i < 40; ++i) trace->LogLine("line " + std::to_string(i), kBlack);
  trace->Close();
  EXPECT_LE(FileSize(), kLimit);
  EXPECT_LE(std::filesystem::file_size(old), kLimit);
  EXPECT_TRUE(ReadText(path).starts_with("# Varnel line trace of COM1, "));
  EXPECT_TRUE(ReadText(old).starts_with("# Varnel line trace of COM1, "));
  EXPECT_NE(ReadText(path).find("line 39\n"), std::string::npos);
  EXPECT_EQ(ReadText(path).find("line 0\n"), std::string::npos);

  std::ofstream(path, std::ios::app) << std::string(kLimit, 'x');
  Open(*trace, TraceStart::Append);
  trace->LogLine("next session", kBlack);
  trace->Close();
  EXPECT_TRUE(ReadText(old).ends_with(std::string(kLimit, 'x')));
  EXPECT_TRUE(ReadText(path).starts_with("# Varnel line trace of COM1, "));
  EXPECT_NE(ReadText(path).find("next session"), std::string::npos);
}

// ---- Errors ----

TEST_F(LineTraceTest, AFileThatCanNotBeWrittenLeavesTheTraceClosed) {
  for (const std::filesystem::path& bad : {dir / "missing" / "trace.txt", dir.Path()}) {
    SCOPED_TRACE(bad.string());
    auto trace = MakeTrace();
    std::string reason;
    EXPECT_FALSE(trace->Open(bad.string(), TraceStart::Append, "COM1", &reason));
    EXPECT_NE(reason.find(bad.string()), std::string::npos) << reason;
    EXPECT_FALSE(trace->IsOpen());
    trace->Bytes(TraceDirection::Out, Of("AT\r"));
    trace->LogLine("dropped", kRed);
    trace->Close();
    EXPECT_FALSE(trace->TakeWriteFailure());
  }
}

// ---- The port and the owner that record ----

TEST_F(LineTraceTest, TheTracedPortRecordsWhatCrossedTheLineAndClosesTheTrace) {
  auto trace = MakeTrace();
  Open(*trace);
  auto fake = std::make_unique<FakePort>();
  FakePort& line = *fake;
  line.speedsTheDriverTakes = {38400, 115200};
  line.reply = [](FakePort& port, const std::vector<uint8_t>& written) {
    if (written == Of("AT\r")) port.Arrive(Of("OK\r\n"));
  };
  TracedPort port(std::move(fake), *trace);
  std::string reason;
  ASSERT_TRUE(port.Open("/dev/ttyFAKE", &reason));
  ASSERT_TRUE(port.ApplyLineDefaults(38400, &reason));
  uint32_t written = 0;
  ASSERT_TRUE(port.Write(Of("AT\r").data(), 3, &written));
  port.WaitForInput(10);
  uint8_t buffer[16] = {};
  uint32_t got = 0;
  ASSERT_TRUE(port.Read(buffer, sizeof buffer, &got));
  EXPECT_EQ(std::string(buffer, buffer + got), "OK\r\n");
  LineFormat format;
  ASSERT_TRUE(port.GetLineFormat(&format));
  format.baud = 115200;
  ASSERT_TRUE(port.SetLineFormat(format));
  format.baud = 921600;
  EXPECT_FALSE(port.SetLineFormat(format));
  EXPECT_EQ(line.Baud(), 115200u);
  port.Wake();
  EXPECT_TRUE(port.IsOpen());
  port.Close();
  EXPECT_FALSE(line.IsOpen());
  EXPECT_FALSE(trace->IsOpen()) << "the port's close ends the trace";
  EXPECT_EQ(Records(path), (std::vector<std::string>{
                               "     0.000000 open  /dev/ttyFAKE",
                               "     0.000000 speed 38400",
                               "     0.000000 out    38400     3  41 54 0D  |AT.|",
                               "     0.000000 in     38400     4  4F 4B 0D 0A  |OK..|",
                               "     0.000000 speed 115200",
                               "     0.000000 fail  speed 921600",
                               "     0.000000 close",
                           }));
}

TEST_F(LineTraceTest, TheTracedOwnerRecordsTheLogInUtf8AndPassesEverythingOn) {
  const Application app("Varnel", kCyrillicCodePage, {});
  auto trace = MakeTrace();
  Open(*trace);
  RecordingOwner target;
  TracedOwner owner(target, *trace, app);
  owner.AppendLog("Com port opened", kBlack);
  owner.ShowWarning(4);
  owner.BeginProgress("Dump started", "Receiving", 100, 1, kBlack);
  owner.BeginProgress(nullptr, "Sending", 100, 1, kBlack);
  owner.EndProgress("\xCF\xEE\xF0\xF2", kGreen);  // "Порт" in code page 1251
  owner.AppendLog("Timeout (Serial:420)", kRed);
  EXPECT_EQ(target.Texts(),
            (std::vector<std::string>{"Com port opened", "Dump started", "\xCF\xEE\xF0\xF2", "Timeout (Serial:420)"}));
  EXPECT_EQ(target.Events(), (std::vector<std::string>{"warning 4"}));
  // The red line flushed it all.
  EXPECT_EQ(Records(path), (std::vector<std::string>{
                               "     0.000000 log   info    Com port opened",
                               "     0.000000 note  4",
                               "     0.000000 log   info    Dump started",
                               "     0.000000 log   success \xD0\x9F\xD0\xBE\xD1\x80\xD1\x82",
                               "     0.000000 log   error   Timeout (Serial:420)",
                           }));
}

}  // namespace
}  // namespace varnel::testing
