// The language module's text format and the shipped Russian module.
#include <gtest/gtest.h>

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

TEST(LanguageModuleTest, TemplateWithOtherPlaceholdersIsLeftOut) {
  const std::string source =
      "33=%s %d %d ok\n"
      "35=%s wrong kind\n"
      "46=0x%x only one\n"
      "48=100%% %s\n"
      "41=100% plain text\n";
  StringTable table = ParseLanguageModule(source, kUtf8CodePage, ProgramTexts());
  EXPECT_NE(table.Find(33), nullptr);
  EXPECT_EQ(table.Find(35), nullptr);
  EXPECT_EQ(table.Find(46), nullptr);
  EXPECT_NE(table.Find(48), nullptr);
  EXPECT_NE(table.Find(41), nullptr);
}

TEST(LanguageModuleTest, ShippedModuleTranslatesEveryTextKeepingPlaceholders) {
  auto module = LoadLanguageModule(VARNEL_SOURCE_DIR "/resources/Varnel.lng",
                                   kCyrillicCodePage, ProgramTexts());
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
    EXPECT_EQ(russian->find('?'), std::string::npos) << "a character code page 1251 lacks";
  }
  EXPECT_NE(module->Find(4)->find("\r\n"), std::string::npos);
}

}  // namespace
}  // namespace varnel
