// Golden vectors of the wire formats: CRC, S-records, flash sectors.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

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

TEST(FlashBankTest, RegionCheckUsesWholeBanksAndNeverWraps) {
  struct Case {
    uint32_t start;
    uint64_t length;
    bool inBank;
    bool fits;
  };
  constexpr std::array<Case, 7> kCases = {{
      {0xFFFFFF, 1, false, false},
      {0x1000000, 0x800000, true, true},
      {0x2500000, 0x300000, true, true},
      {0x2500000, 0x300001, true, false},
      {0x1800000, 1, true, false},
      {0xF0000000, 0x10000000, true, false},  // wraps past 2^32 in 32 bits
      {0x27F0000, 0x10000, true, true},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.start);
    FlashBank bank;
    ASSERT_EQ(FindFlashBank(c.start, &bank), c.inBank);
    if (c.inBank) {
      EXPECT_EQ(FitsInBank(c.start - bank.base, c.length), c.fits);
    }
  }
}

TEST(FlashBankTest, SectorRoomFollowsEachBanksMap) {
  struct Case {
    uint32_t base;
    uint32_t relative;
    uint32_t room;
  };
  constexpr std::array<Case, 14> kCases = {{
      {0x1000000, 0x0, 0x2000},
      {0x1000000, 0x1000, 0x1000},
      {0x1000000, 0xF000, 0x1000},
      {0x1000000, 0x10000, 0x10000},
      {0x1000000, 0x18000, 0x8000},
      {0x1000000, 0x7FFFFF, 0x1},
      {0x2000000, 0x0, 0x10000},
      {0x2000000, 0x7EF000, 0x1000},
      {0x2000000, 0x7F0000, 0x2000},  // small sectors
      {0x2000000, 0x7F0001, 0x1FFF},
      {0x2000000, 0x7F1000, 0x1000},
      {0x2000000, 0x7F2000, 0x2000},
      {0x2000000, 0x7FE000, 0x2000},
      {0x2000000, 0x7FF000, 0x1000},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.base << "+" << c.relative);
    FlashBank bank;
    ASSERT_TRUE(FindFlashBank(c.base, &bank));
    EXPECT_EQ(SectorRoom(c.relative, bank), c.room);
  }
}

}  // namespace
}  // namespace varnel
