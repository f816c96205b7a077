// The region texts as the window's requests and varnel-cli read them: "0x" or
// "0X" and one to eight hexadecimal digits, blanks around ignored; every
// other text is refused.
#include <gtest/gtest.h>

#include <optional>

#include "format/hex_text.h"

namespace varnel {
namespace {

// Refused: no prefix (could be meant as decimal), letters O for zeros,
// blanks inside, a sign, nine digits (beyond 32 bits) and ten digits even
// when the value fits.
TEST(HexTextTest, AcceptsOnlyACompletePrefixedHexadecimalNumber) {
  for (const char* text : {"0x2500000", "0X2500000", " 0x2500000", "\t0x2500000  "}) {
    EXPECT_EQ(ScanHexText(text), 0x2500000u) << text;
  }
  EXPECT_EQ(ScanHexText("0x00A0"), 0xA0u);
  EXPECT_EQ(ScanHexText("0xfFfFfFfF"), 0xFFFFFFFFu);
  EXPECT_EQ(ScanHexText("0x0"), 0u);
  for (const char* text : {"2500000", "", "   ", "0x", "0x25OO000", "0x1fG", "0x10 trailing", "0x 1F", "0 x1F", "0x-1",
                           "+0x1", "0x0x10", "0x100000000", "0x000000001F", "x2500000"}) {
    EXPECT_EQ(ScanHexText(text), std::nullopt) << text;
  }
}

}  // namespace
}  // namespace varnel
