// The boot ROM's S-record checker: known-good uploads and one case for each
// kind of bad record, by the final response byte it chooses. (Uploads the
// link formats go through it in every connect: tests/e2e_connect_test.cpp.)
#include "sim/srecord_checker.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "sim/handset_responses.h"

namespace varnel::sim {
namespace {

struct CheckerCase {
  const char* name;
  std::vector<std::string> lines;
  uint8_t response;
  std::vector<uint8_t> code;  // what a good upload delivers
};

// A record of any type with a correct checksum, for the malformed cases.
std::string Line(const char* type, std::vector<uint8_t> fields) {
  fields.insert(fields.begin(), static_cast<uint8_t>(fields.size() + 1));
  uint32_t sum = std::accumulate(fields.begin(), fields.end(), 0u);
  fields.push_back(static_cast<uint8_t>(~sum));
  std::string line = type;
  for (uint8_t byte : fields) {
    line += "0123456789ABCDEF"[byte >> 4];
    line += "0123456789ABCDEF"[byte & 0xF];
  }
  return line;
}

std::vector<uint8_t> Bytes(size_t count, uint8_t first) {
  std::vector<uint8_t> bytes(count);
  std::iota(bytes.begin(), bytes.end(), first);
  return bytes;
}

std::vector<uint8_t> WithAddress(uint32_t address, std::vector<uint8_t> data) {
  for (int shift = 0; shift <= 16; shift += 8) {
    data.insert(data.begin(), static_cast<uint8_t>(address >> shift));
  }
  return data;
}

TEST(SRecordCheckerTest, JudgesUploadsByTheirFinalResponse) {
  const std::string end = "S804400000BB";
  const std::string three = "S207400000010203B2";
  const std::vector<CheckerCase> cases = {
      {"three bytes", {three, end}, 0, {1, 2, 3}},
      {"empty stage one", {"S204400000BB", end}, 0, {}},
      {"full record then one byte",
       {Line("S2", WithAddress(0x400000, Bytes(32, 0))), Line("S2", WithAddress(0x400020, {0x20})), end},
       0,
       Bytes(33, 0)},
      {"checksum off by one", {"S207400000010203B3", end}, kBootRecordChecksum, {}},
      {"lower-case hex", {"S207400000010203b2", end}, kBootRecordSyntax, {}},
      {"CR left before the LF", {three + "\r", end}, kBootRecordSyntax, {}},
      {"count too large", {"S208400000010203B1", end}, kBootRecordSyntax, {}},
      {"odd number of digits", {"S20740000001020", end}, kBootRecordSyntax, {}},
      {"not a record", {"AT", end}, kBootRecordSyntax, {}},
      {"S1 data record", {Line("S1", {0, 0, 1, 2, 3}), end}, kBootRecordType, {}},
      {"first address not 0x400000", {Line("S2", WithAddress(0x400020, {1})), end}, kBootRecordAddress, {}},
      {"addresses not rising by 32",
       {Line("S2", WithAddress(0x400000, Bytes(32, 0))), Line("S2", WithAddress(0x400040, {1})), end},
       kBootRecordAddress,
       {}},
      {"33 data bytes in one record", {Line("S2", WithAddress(0x400000, Bytes(33, 0))), end}, kBootRecordLength, {}},
      {"short record before the last", {three, Line("S2", WithAddress(0x400020, {4})), end}, kBootRecordLength, {}},
      {"closing record without data", {end}, kBootNoData, {}},
      {"closing S8 at another address", {three, "S8044000209B"}, kBootRecordAddress, {}},
      {"closing S9 instead of S8", {three, Line("S9", {0, 0})}, kBootRecordType, {}},
      {"no closing record", {three}, kBootRecordSyntax, {}},
      {"first error wins",
       {"S207400000010203B3", Line("S2", WithAddress(0x400040, {1})), end},
       kBootRecordChecksum,
       {}},
  };
  for (const CheckerCase& c : cases) {
    SCOPED_TRACE(c.name);
    SRecordChecker checker;
    for (const std::string& line : c.lines) {
      EXPECT_FALSE(checker.Ended());
      checker.Check(line);
    }
    EXPECT_EQ(checker.Ended(), c.lines.back().starts_with("S8") || c.lines.back().starts_with("S9"));
    EXPECT_EQ(checker.Response(), c.response);
    if (c.response == 0) {
      EXPECT_EQ(checker.Code(), c.code);
    }
  }
}

}  // namespace
}  // namespace varnel::sim
