// The sanitiser for text from outside: what may break a line or drive a
// terminal shows as an escape, everything else as it is.
#include <gtest/gtest.h>

#include <array>

#include "texts/visible_text.h"

namespace varnel {
namespace {

TEST(VisibleTextTest, ControlsAndBrokenUtf8ShowAsEscapesAndTheRestStays) {
  struct Case {
    const char* text;
    const char* shown;
  };
  constexpr std::array<Case, 9> kCases = {{
      {"/dev/ttyUSB0 c:\\dump.bin", "/dev/ttyUSB0 c:\\dump.bin"},
      {"\xD0\x9F\xD0\xBE\xD1\x80\xD1\x82 \xE2\x82\xAC", "\xD0\x9F\xD0\xBE\xD1\x80\xD1\x82 \xE2\x82\xAC"},
      {"x\n[00:00:00] Verify OK", "x\\n[00:00:00] Verify OK"},
      {"a\r\tb\x01", "a\\r\\tb\\x01"},
      {"\x1B[2J\x7F", "\\x1b[2J\\x7f"},
      {"c1 \xC2\x85 \xC2\x9B", "c1 \\u0085 \\u009b"},
      {"line\xE2\x80\xA8"
       "sep \xE2\x80\xAE"
       "rlo",
       "line\\u2028sep \\u202erlo"},
      {"bad \xFF\xC3 cut \xE2\x82", "bad \\xff\\xc3 cut \\xe2\\x82"},
      {"\xC0\xAF overlong", "\\xc0\\xaf overlong"},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.shown);
    EXPECT_EQ(VisibleText(c.text), c.shown);
  }
}

}  // namespace
}  // namespace varnel
