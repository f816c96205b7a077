// The region texts as the window's requests and varnel-cli read them: "0x" or
// "0X" and one to eight hexadecimal digits, blanks around ignored; every
// other text is refused.
#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "format/hex_text.h"

namespace varnel {
namespace {

TEST(HexTextTest, AcceptsOnlyACompletePrefixedHexadecimalNumber) {
  struct Case {
    const char* text;
    std::optional<uint32_t> value;
  };
  constexpr std::array<Case, 22> kCases = {{
      {"0x2500000", 0x2500000},
      {"0X2500000", 0x2500000},
      {" 0x2500000", 0x2500000},
      {"\t0x2500000  ", 0x2500000},
      {"0x00A0", 0xA0},
      {"0xfFfFfFfF", 0xFFFFFFFF},
      {"0x0", 0},
      // ---- texts that are refused ----
      {"2500000", std::nullopt},  // no prefix: could be meant as decimal
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"0x", std::nullopt},
      {"0x25OO000", std::nullopt},  // letters O, not zeros
      {"0x1fG", std::nullopt},
      {"0x10 trailing", std::nullopt},
      {"0x 1F", std::nullopt},  // no blanks inside
      {"0 x1F", std::nullopt},
      {"0x-1", std::nullopt},
      {"+0x1", std::nullopt},
      {"0x0x10", std::nullopt},
      {"0x100000000", std::nullopt},   // nine digits: beyond 32 bits
      {"0x000000001F", std::nullopt},  // ten digits, even if the value fits
      {"x2500000", std::nullopt},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ScanHexText(c.text), c.value);
  }
}

}  // namespace
}  // namespace varnel
