// The region texts as the dump and flash requests convert them: "0x", then
// hexadecimal digits up to the first other character.
#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "pages/hex_text.h"

namespace varnel {
namespace {

TEST(HexTextTest, ReadsDigitsAfterALowerCasePrefixUpToTheFirstOtherCharacter) {
  struct Case {
    const char* text;
    std::optional<uint32_t> value;
  };
  constexpr std::array<Case, 17> kCases = {{
      {"0x2500000", 0x2500000},
      {"0x00A0", 0xA0},
      {"0x1fG", 0x1F},
      {"0xFFFFFFFF", 0xFFFFFFFF},
      {"0x000000001F", 0x1F},     // long, but the value fits
      {"0x0x10", 0},              // the second "x" ends the digits
      {"0x10 trailing", 0x10},
      // ---- texts that do not convert ----
      {"2500000", std::nullopt},  // no prefix
      {"0X2500000", std::nullopt},
      {" 0x2500000", std::nullopt},
      {"0x", std::nullopt},
      {"0xG1", std::nullopt},
      {"0x 1F", std::nullopt},    // no blanks between prefix and digits
      {"0x-1", std::nullopt},     // nor a sign
      {"", std::nullopt},
      {"0x100000000", std::nullopt},  // beyond 32 bits: refused, not cut
      {"0x123456789ABC", std::nullopt},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ScanHexText(c.text), c.value);
  }
}

}  // namespace
}  // namespace varnel
