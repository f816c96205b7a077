// The language module's text format and the shipped Russian module.
#include <gtest/gtest.h>

#include <algorithm>

#include "texts/code_page.h"
#include "texts/language_module.h"

namespace varnel {
namespace {

TEST(LanguageModuleTest, ParsesIdsEscapesAndSkipsWhatIsNotAText) {
  const std::string source =
      "\xEF\xBB\xBF# comment=not a text\n"
      "\n"
      "4=one\\r\\ntwo\\\\three\\q\r\n"
      "  8 =  Hide \n"
      "x=ignored\n"
      "70000=too big\n"
      "9=\n";
  StringTable table = ParseLanguageModule(source, kUtf8CodePage, ProgramTexts());
  ASSERT_NE(table.Find(4), nullptr);
  EXPECT_EQ(*table.Find(4), "one\r\ntwo\\three\\q");
  EXPECT_EQ(*table.Find(8), "  Hide ");
  EXPECT_EQ(*table.Find(9), "");
  EXPECT_EQ(table.Count(), 3u);
}

// A translation is kept only when printf would read the same arguments
// from it as from the program's own text, one for one.
TEST(LanguageModuleTest, ATextIsKeptOnlyWithTheSameConversionsAsTheProgramsOwn) {
  struct Case {
    const char* line;
    bool kept;
  };
  constexpr Case kCases[] = {
      {"33=%s %d %d ok", true},
      {"48=100%% %s", true},  // "%%" is a percent sign
      {"48=%-10s", true},     // flags and width take no argument
      {"69=%.2f KiB", true},
      {"41=100%% sure", true},
      {"35=%s wrong kind", false},
      {"46=0x%x only one", false},
      {"79=Can't save the log to %l %d%s", false},  // "%l %" is no escaped percent
      {"48=%5% %s", false},
      {"48=%n%s", false},             // writes through its argument
      {"48=%1$s", false},             // a numbered argument
      {"35=%*d", false},              // the width is an argument of its own
      {"48=%s %", false},             // dangling
      {"69=%.1Lf", false},            // another length: another argument type
      {"41=100% plain text", false},  // "% p" converts a pointer
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.line);
    const StringTable table = ParseLanguageModule(c.line, kUtf8CodePage, ProgramTexts());
    EXPECT_EQ(table.Count() == 1, c.kept);
  }
}

TEST(LanguageModuleTest, ShippedModuleTranslatesEveryTextKeepingPlaceholders) {
  auto module = LoadLanguageModule(VARNEL_SOURCE_DIR "/resources/Varnel.lng", kCyrillicCodePage, ProgramTexts());
  ASSERT_TRUE(module.has_value());
  StringTable own = ProgramTexts();
  EXPECT_EQ(module->Count(), own.Count());
  for (uint32_t id = 0; id <= 0xFFFF; ++id) {
    const std::string* english = own.Find(static_cast<uint16_t>(id));
    if (english == nullptr) continue;
    SCOPED_TRACE(id);
    const std::string* russian = module->Find(static_cast<uint16_t>(id));
    ASSERT_NE(russian, nullptr);
    EXPECT_EQ(FormatSignature(*russian), FormatSignature(*english));
    EXPECT_EQ(std::count(russian->begin(), russian->end(), '?'), std::count(english->begin(), english->end(), '?'))
        << "a character code page 1251 lacks";
  }
  EXPECT_NE(module->Find(4)->find("\r\n"), std::string::npos);
}

}  // namespace
}  // namespace varnel
