// The line trace of a connect against the simulated handset: the boot
// dialogue, stage one and the loader's packets in the order they crossed
// the line, each way with its speed, the link's log lines in between, and
// every byte the program wrote exactly as the handset received it.
#include <algorithm>
#include <functional>
#include <sstream>

#include "link/line_trace.h"
#include "link/traced_owner.h"
#include "link/traced_port.h"
#include "port/serial_port.h"
#include "tests/handset_fixture.h"

namespace varnel::testing {
namespace {

// One line of the trace, taken apart.
struct Record {
  std::string kind;            // "in", "out", "log", "open", "speed", "close", ...
  std::string rest;            // after the kind, blanks trimmed
  uint32_t speed = 0;          // in and out
  std::vector<uint8_t> bytes;  // in and out, from the hex column
};

Record Parse(const std::string& line) {
  std::istringstream fields(line);
  std::string seconds;
  Record record;
  fields >> seconds >> record.kind;
  std::getline(fields >> std::ws, record.rest);
  if (record.kind == "in" || record.kind == "out") {
    std::istringstream burst(record.rest);
    size_t count = 0;
    burst >> record.speed >> count;
    for (size_t i = 0; i < count; ++i) {
      unsigned byte = 0;
      burst >> std::hex >> byte;
      record.bytes.push_back(static_cast<uint8_t>(byte));
    }
  }
  return record;
}

class TraceTest : public HandsetTest {
 protected:
  // The link goes before the trace and the owner it records through.
  ~TraceTest() override { StopLink(); }

  void StartTracedLink() {
    std::string reason;
    ASSERT_TRUE(trace.Open(tracePath.string(), TraceStart::Fresh, handset->SlavePath(), &reason)) << reason;
    link = std::make_unique<SerialLink>(app, tracedOwner, LinkTiming{},
                                        std::make_unique<TracedPort>(std::make_unique<SerialPort>(app), trace));
    ASSERT_EQ(link->Connect({handset->SlavePath(), kUploadSpeed}), kStatusOk);
  }

  // The records after the header. Bursts one way at one speed with nothing
  // between them are joined: where a burst ends depends on the moment bytes
  // were written or read, which is the machine's business.
  std::vector<Record> Records() {
    std::istringstream text(ReadText());
    std::vector<Record> records;
    for (std::string line; std::getline(text, line);) {
      if (line.starts_with("#")) continue;
      Record record = Parse(line);
      const bool burst = record.kind == "in" || record.kind == "out";
      if (burst && !records.empty() && records.back().kind == record.kind && records.back().speed == record.speed) {
        records.back().bytes.insert(records.back().bytes.end(), record.bytes.begin(), record.bytes.end());
      } else {
        records.push_back(record);
      }
    }
    return records;
  }

  std::string ReadText() {
    const std::vector<uint8_t> bytes = ReadFile(tracePath);
    return std::string(bytes.begin(), bytes.end());
  }

  std::filesystem::path tracePath = dir / "trace.txt";
  LineTrace trace;
  TracedOwner tracedOwner{owner, trace, app};
};

// The index of the first record from `from` on that `matches`, or
// records.size().
template <typename Predicate>
size_t FindFrom(const std::vector<Record>& records, size_t from, Predicate matches) {
  while (from < records.size() && !matches(records[from])) ++from;
  return from;
}

TEST_F(TraceTest, AConnectsTraceHoldsItsPacketsInOrderWithTheLogBetween) {
  StartHandset();
  const int notices = owner.Count("warning 6");
  StartTracedLink();
  ASSERT_TRUE(owner.WaitFor("warning 6", notices + 1, kSessionTimeout, owner.Count("closed")));
  StopLink();  // disconnects the loader and closes the port, and with it the trace
  EXPECT_FALSE(trace.IsOpen());

  EXPECT_TRUE(ReadText().starts_with("# Varnel line trace of " + handset->SlavePath() + ", ")) << ReadText();
  const std::vector<Record> records = Records();
  // A burst `kind` at `speed` that holds `bytes`.
  const auto burst = [](std::string kind, uint32_t speed, std::vector<uint8_t> bytes) {
    return [=](const Record& r) {
      return r.kind == kind && r.speed == speed &&
             std::search(r.bytes.begin(), r.bytes.end(), bytes.begin(), bytes.end()) != r.bytes.end();
    };
  };
  const auto text = [](std::string_view chars) { return std::vector<uint8_t>(chars.begin(), chars.end()); };
  // "log", the colour's word, then the text.
  const auto log = [](std::string word, std::string line) {
    return [=](const Record& r) {
      return r.kind == "log" && r.rest.starts_with(word + " ") && r.rest.ends_with(" " + line);
    };
  };
  // Kept as strings: a view of a temporary would outlive it.
  const auto event = [](std::string kind, std::string rest) {
    return [=](const Record& r) { return r.kind == kind && r.rest == rest; };
  };
  struct Step {
    const char* name;
    std::function<bool(const Record&)> matches;
  };
  const std::vector<Step> steps = {
      {"open", event("open", handset->SlavePath())},
      {"38400 bit/s", event("speed", "38400")},
      {"Com port opened", log("info", "Com port opened")},
      {"the offer", burst("in", 38400, {kBootOffer})},
      {"0x7E, then AT", burst("out", 38400, {kBootAnswer, 'A', 'T', '\r'})},
      {"OK", burst("in", 38400, text("\r\nOK\r"))},
      {"AT**3", burst("out", 38400, text("AT**3\r"))},
      {"the handset's Download Initiated", burst("in", 38400, text("Download Initiated\r"))},
      {"the log's Download Initiated", log("info", "Download Initiated")},
      {"115200 bit/s", event("speed", "115200")},
      {"the first S-record",
       [](const Record& r) {
         return r.kind == "out" && r.speed == 115200 && r.bytes.size() > 2 && r.bytes[0] == 'S' &&
                r.bytes.back() == '\n';
       }},
      {"its acknowledgement", burst("in", 115200, {kRecordAck})},
      {"the block size packet", burst("out", 115200, {5, kCmdBlockSize, 0x00, 0x04, 0x00, 0x00})},
      {"the loader ready", log("success", "Phone switched to serial mode!")},
      {"close", event("close", "")},
  };
  size_t at = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    const size_t found = FindFrom(records, at, step.matches);
    ASSERT_LT(found, records.size()) << "not found after record " << at << "\n" << ReadText();
    at = found + 1;
  }
  EXPECT_EQ(at, records.size()) << "the close is the last record";

  // The bytes written, in order, are what the handset received.
  std::vector<uint8_t> written;
  for (const Record& r : records) {
    if (r.kind == "out") written.insert(written.end(), r.bytes.begin(), r.bytes.end());
  }
  ASSERT_TRUE(handset->WaitFor(
      [&](const sim::TranscriptData& d) {
        size_t received = 0;
        for (const sim::LineChunk& c : d.chunks) {
          if (c.direction == sim::Direction::kFromProgram) received += c.bytes.size();
        }
        return received >= written.size();
      },
      kStopBound));
  EXPECT_TRUE(written == ProgramBytes());
}

}  // namespace
}  // namespace varnel::testing
