// The sanitiser for text from outside: what may break a line or drive a
// terminal shows as an escape, everything else as it is.
#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

#include "texts/visible_text.h"

namespace varnel {
namespace {

TEST(VisibleTextTest, ControlsAndBrokenUtf8ShowAsEscapesAndTheRestStays) {
  for (const char* same : {"/dev/ttyUSB0 c:\\dump.bin", "\xD0\x9F\xD0\xBE\xD1\x80\xD1\x82 \xE2\x82\xAC"}) {
    EXPECT_EQ(VisibleText(same), same);
  }
  for (const auto& [text, shown] : std::initializer_list<std::pair<const char*, const char*>>{
           {"x\n[00:00:00] Verify OK", "x\\n[00:00:00] Verify OK"},
           {"a\r\tb\x01", "a\\r\\tb\\x01"},
           {"\x1B[2J\x7F", "\\x1b[2J\\x7f"},
           {"c1 \xC2\x85 \xC2\x9B", "c1 \\u0085 \\u009b"},
           {"line\xE2\x80\xA8sep \xE2\x80\xAErlo", "line\\u2028sep \\u202erlo"},
           {"bad \xFF\xC3 cut \xE2\x82", "bad \\xff\\xc3 cut \\xe2\\x82"},
           {"\xC0\xAF overlong", "\\xc0\\xaf overlong"}}) {
    EXPECT_EQ(VisibleText(text), shown);
  }
}

}  // namespace
}  // namespace varnel
