// The wire formats: golden vectors of the CRC, S-records and flash
// sectors; the loader's packets (those the program sends, and frames that
// are short, long or carry an argument the format leaves out); and what
// the numbers of received blocks say (a repeat of the block just stored, a
// new block, or one after a missing block; loaders whose numbers say
// nothing).
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "format/block_sequence.h"
#include "format/command_packet.h"
#include "format/crc16.h"
#include "format/flash_bank.h"
#include "format/srecord_format.h"

namespace varnel {
namespace {

std::string Records(const std::vector<uint8_t>& data) {
  std::string text(SRecordTextLength(static_cast<uint32_t>(data.size())), '\0');
  uint32_t n = FormatSRecords(data.data(), text.data(), static_cast<uint32_t>(data.size()));
  EXPECT_EQ(n, text.size());
  return text;
}

TEST(Crc16Test, MatchesTheXmodemCheckValues) {
  const std::string digits = "123456789";
  EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>(digits.data()), 9), 0x31C3);
  const uint8_t abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(Crc16(abc, 3), 0x9DD6);
  EXPECT_EQ(Crc16(abc, 0), 0);
  EXPECT_EQ(Crc16(abc, -4), 0);
}

TEST(SRecordTest, FormatsDataRecordsAndTheClosingRecord) {
  EXPECT_EQ(Records({1, 2, 3}), "S207400000010203B2\r\nS804400000BB\r\n");
  EXPECT_EQ(Records({}), "S204400000BB\r\nS804400000BB\r\n");

  std::vector<uint8_t> data(33);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
  std::string text = Records(data);
  EXPECT_EQ(text.size(), 2u * 33 + 14 * 2 + 14);
  EXPECT_EQ(text.substr(0, 10), "S224400000");
  size_t second = text.find("\r\n") + 2;
  EXPECT_EQ(text.substr(second, 12), "S20540002020");
  for (size_t at = 0; at < text.size(); at = text.find("\r\n", at) + 2) {
    // Every record's bytes (count to checksum) sum to 0xFF.
    std::string record = text.substr(at + 2, text.find("\r\n", at) - at - 2);
    unsigned long sum = 0;
    for (size_t i = 0; i < record.size(); i += 2) sum += std::stoul(record.substr(i, 2), nullptr, 16);
    EXPECT_EQ(sum & 0xFF, 0xFFul) << record;
  }
}

TEST(FlashBankTest, RegionsUseWholeBanksNeverWrapAndSectorRoomFollowsEachBanksMap) {
  struct Case {
    uint32_t start;
    uint64_t length;
    bool inBank;
    bool fits;
  };
  // 0xF0000000 + 0x10000000 wraps past 2^32 in 32 bits.
  for (const Case& c : std::initializer_list<Case>{{0xFFFFFF, 1, false, false},
                                                   {0x1000000, 0x800000, true, true},
                                                   {0x2500000, 0x300000, true, true},
                                                   {0x2500000, 0x300001, true, false},
                                                   {0x1800000, 1, true, false},
                                                   {0xF0000000, 0x10000000, true, false},
                                                   {0x27F0000, 0x10000, true, true}}) {
    SCOPED_TRACE(c.start);
    FlashBank bank;
    ASSERT_EQ(FindFlashBank(c.start, &bank), c.inBank);
    if (c.inBank) {
      EXPECT_EQ(FitsInBank(c.start - bank.base, c.length), c.fits);
    }
  }
  // Each bank's relative addresses and the room left in their sectors;
  // bank 2's last 64 KiB are small sectors (from 0x7F0000).
  const auto check = [](uint32_t base, const std::vector<std::pair<uint32_t, uint32_t>>& rooms) {
    FlashBank bank;
    ASSERT_TRUE(FindFlashBank(base, &bank));
    for (const auto& [relative, room] : rooms) {
      EXPECT_EQ(SectorRoom(relative, bank), room) << std::hex << base << "+" << relative;
    }
  };
  check(0x1000000,
        {{0x0, 0x2000}, {0x1000, 0x1000}, {0xF000, 0x1000}, {0x10000, 0x10000}, {0x18000, 0x8000}, {0x7FFFFF, 0x1}});
  check(0x2000000, {{0x0, 0x10000}, {0x7EF000, 0x1000}, {0x7F0000, 0x2000}, {0x7F0001, 0x1FFF}});
  check(0x2000000, {{0x7F1000, 0x1000}, {0x7F2000, 0x2000}, {0x7FE000, 0x2000}, {0x7FF000, 0x1000}});
}

// ---- Command packets ----

struct PacketCase {
  const char* name;
  std::vector<uint8_t> raw;
  PacketDecode decode;
  uint8_t code = 0;
  uint32_t argumentCount = 0;
  uint32_t first = 0;
  uint32_t second = 0;
  bool written = false;  // the program writes exactly `raw` for this command
};

TEST(CommandPacketTest, DecodesEachFrame) {
  using enum PacketDecode;
  const std::vector<PacketCase> cases = {
      {"disconnect", {0x01, 0x13}, Ok, 0x13, 0, 0, 0, true},
      {"block size 4096", {0x05, 0x36, 0x00, 0x10, 0x00, 0x00}, Ok, 0x36, 1, 4096, 0, true},
      {"line speed 460800", {0x05, 0x29, 0x00, 0x08, 0x07, 0x00}, Ok, 0x29, 1, 460800, 0, true},
      {"bank 1 dump", {0x09, 0x34, 0, 0, 0, 0x01, 0, 0, 0x80, 0}, Ok, 0x34, 2, 0x1000000, 0x800000, true},
      {"argument sent as zero", {0x05, 0x36, 0x00, 0x00, 0x00, 0x00}, ZeroArgument, 0x36, 1},
      {"second argument zero", {0x09, 0x35, 0, 0, 0, 0x01, 0, 0, 0, 0}, ZeroArgument, 0x35, 2, 0x1000000},
      {"length 2", {0x02, 0x13, 0x00}, BadLength},
      {"length 0", {0x00}, BadLength},
      {"cut short", {0x05, 0x36, 0x00, 0x10}, BadLength},
      {"one byte too many", {0x01, 0x13, 0x00}, BadLength},
  };
  for (const PacketCase& c : cases) {
    SCOPED_TRACE(c.name);
    CommandPacket packet;
    EXPECT_EQ(DecodePacket(c.raw.data(), c.raw.size(), &packet), c.decode);
    if (c.decode == PacketDecode::BadLength) continue;
    EXPECT_EQ(packet.code, c.code);
    EXPECT_EQ(packet.argumentCount, c.argumentCount);
    EXPECT_EQ(packet.first, c.first);
    EXPECT_EQ(packet.second, c.second);
    if (!c.written) continue;
    uint8_t bytes[kPacketMaxBytes];
    const size_t length = EncodePacket(c.code, c.first, c.second, bytes);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + length), c.raw);
  }
}

TEST(CommandPacketTest, AtTextsGoOutAsTheyAre) {
  for (const auto& [code, text] : {std::pair{kCodeAtText, "AT\r"}, std::pair{kCodeAtDownloadText, "AT**3\r"}}) {
    uint8_t bytes[kPacketMaxBytes];
    const size_t length = EncodePacket(code, 0, 0, bytes);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), length), text);
  }
}

TEST(CommandPacketTest, OnlyLengthsOneFiveAndNineFrameAPacket) {
  for (int length = 0; length <= 0xFF; ++length) {
    EXPECT_EQ(PacketLengthValid(static_cast<uint8_t>(length)), length == 1 || length == 5 || length == 9) << length;
  }
}

// ---- Block numbers ----

using Verdict = BlockSequence::Verdict;

struct Arrival {
  BlockIdentity block;
  Verdict verdict;
};

TEST(BlockSequenceTest, CountingLoadersGetRepeatsAndGapsCaught) {
  struct Case {
    const char* what;
    std::vector<Arrival> arrivals;
    bool numbered;
  };
  const std::vector<Case> kCases = {
      {"in order",
       {{{1, 1024, 0xAAAA}, Verdict::kNew}, {{2, 1024, 0xBBBB}, Verdict::kNew}, {{3, 100, 0xCCCC}, Verdict::kNew}},
       true},
      {"the first block again",
       {{{1, 1024, 0xAAAA}, Verdict::kNew}, {{1, 1024, 0xAAAA}, Verdict::kRepeat}, {{2, 1024, 0xBBBB}, Verdict::kNew}},
       true},
      {"a later block again, twice",
       {{{1, 8, 0x1}, Verdict::kNew},
        {{2, 8, 0x2}, Verdict::kNew},
        {{2, 8, 0x2}, Verdict::kRepeat},
        {{2, 8, 0x2}, Verdict::kRepeat},
        {{3, 8, 0x3}, Verdict::kNew}},
       true},
      {"a missing block",
       {{{1, 8, 0x1}, Verdict::kNew},
        {{2, 8, 0x2}, Verdict::kNew},
        {{4, 8, 0x4}, Verdict::kOutOfSequence},
        {{3, 8, 0x3}, Verdict::kNew}},
       true},
      {"the second block missing", {{{1, 8, 0x1}, Verdict::kNew}, {{3, 8, 0x3}, Verdict::kOutOfSequence}}, true},
      {"the last number again with other bytes",
       {{{1, 8, 0x1}, Verdict::kNew}, {{2, 8, 0x2}, Verdict::kNew}, {{2, 8, 0x9}, Verdict::kOutOfSequence}},
       true},
      // ---- loaders whose numbers say nothing ----
      {"numbered from 0",
       {{{0, 8, 0x1}, Verdict::kNew}, {{0, 8, 0x1}, Verdict::kNew}, {{5, 8, 0x3}, Verdict::kNew}},
       false},
      {"every block numbered 1",
       {{{1, 8, 0x1}, Verdict::kNew},
        {{1, 8, 0x2}, Verdict::kNew},
        {{1, 8, 0x2}, Verdict::kNew},
        {{1, 8, 0x3}, Verdict::kNew}},
       false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    // Feeds the blocks in order, storing each one judged new.
    BlockSequence sequence;
    for (size_t i = 0; i < c.arrivals.size(); ++i) {
      SCOPED_TRACE("block " + std::to_string(i));
      EXPECT_EQ(sequence.Classify(c.arrivals[i].block), c.arrivals[i].verdict);
      if (c.arrivals[i].verdict == Verdict::kNew) sequence.Stored(c.arrivals[i].block);
    }
    EXPECT_EQ(sequence.Numbered(), c.numbered);
  }
}

TEST(BlockSequenceTest, NumbersWrapAroundAfter65535) {
  BlockSequence sequence;
  sequence.Stored({1, 8, 0});
  for (uint32_t number = 2; number <= 0xFFFF; ++number) {
    sequence.Stored({static_cast<uint16_t>(number), 8, static_cast<uint16_t>(number)});
  }
  EXPECT_EQ(sequence.Classify({0, 8, 0x7}), Verdict::kNew);
  EXPECT_EQ(sequence.Classify({0xFFFF, 8, 0xFFFF}), Verdict::kRepeat);
  EXPECT_EQ(sequence.Classify({1, 8, 0x7}), Verdict::kOutOfSequence);
}

}  // namespace
}  // namespace varnel
