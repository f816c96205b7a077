// Start-up state: the code page (chosen by the locale, and conversions
// between UTF-8 and it), the text module (its format, which translations
// it keeps, the shipped Russian module) and LoadText.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "format/loader_package.h"
#include "tests/test_support.h"
#include "texts/application.h"
#include "texts/code_page.h"
#include "texts/language_module.h"

namespace varnel {
namespace {

using testing::WriteText;

TEST(CodePageTest, CyrillicLanguagesGet1251OthersTheirLocalesOwn) {
  // "rus" is no Cyrillic language code.
  const std::array<std::pair<uint32_t, std::vector<const char*>>, 4> kCases = {{
      {kCyrillicCodePage, {"ru_RU.UTF-8", "uk_UA", "be_BY.CP1251", "bg_BG.utf8"}},
      {kLatin1CodePage, {"sr_RS@latin", "de_DE.ISO-8859-1", "fr_FR"}},
      {kUtf8CodePage, {"en_US.UTF-8", "C.UTF-8", "rus_RU.UTF-8"}},
      {kAsciiCodePage, {"C"}},
  }};
  for (const auto& [codePage, locales] : kCases) {
    for (const char* locale : locales) EXPECT_EQ(CodePageForLocale(locale), codePage) << locale;
  }
}

// What the code page holds goes both ways unchanged, a character it lacks
// becomes one '?' and never a look-alike letter, and an unknown code page
// leaves the text as it is.
TEST(CodePageConversionTest, EachCharacterBecomesItsBytesOrOneQuestionMark) {
  struct Case {
    uint32_t codePage;
    const char* utf8;
    const char* inCodePage;
    bool held;  // every character is in the code page: ToUtf8 gives the text back
  };
  constexpr uint32_t kNoSuchCodePage = 12345;
  constexpr std::array<Case, 11> kCases = {{
      {kNoSuchCodePage, "Мои.bin", "Мои.bin", true},  // left as it is both ways
      {kCyrillicCodePage, "Мои файлы", "\xCC\xEE\xE8 \xF4\xE0\xE9\xEB\xFB", true},
      {kLatin1CodePage, "café", "caf\xE9", true},
      {kAsciiCodePage, "plain.bin", "plain.bin", true},
      {kUtf8CodePage, "Мои файлы", "Мои файлы", true},
      {kCyrillicCodePage, "", "", true},
      // Two, three and four bytes of UTF-8 the code page lacks. Best fit
      // would make "ete.bin" of the first, which names another file.
      {kCyrillicCodePage, "été.bin", "?t?.bin", false},
      {kLatin1CodePage, "Мои.bin", "???.bin", false},
      {kLatin1CodePage, "5€", "5?", false},
      {kCyrillicCodePage, "a😀b", "a?b", false},
      {kAsciiCodePage, "é", "?", false},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.utf8) + " in " + std::to_string(c.codePage));
    EXPECT_EQ(FromUtf8(c.utf8, c.codePage), c.inCodePage);
    if (c.held) {
      EXPECT_EQ(ToUtf8(c.inCodePage, c.codePage), c.utf8);
    }
  }
}

TEST(LoadTextTest, CutsToCapacityLessOneAndGivesEmptyTextForUnknownIds) {
  Application app("Varnel", kUtf8CodePage, {});
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  app.LoadText(text::kSwitchToSerial, buffer, 7);
  EXPECT_STREQ(buffer, "Switch");
  app.LoadText(text::kSwitchToSerial, buffer, 1);
  EXPECT_STREQ(buffer, "");
  app.LoadText(5, buffer, sizeof buffer);  // no text 5
  EXPECT_STREQ(buffer, "");

  EXPECT_EQ(app.Text(text::kConnectInstructions),
            "1. Switch OFF your phone!\r\n2. Connect phone to flash cabel\r\n"
            "3. If it's not start automaticaly, press ON button and HOLD it until MessageBox appear!");
  std::string welcome = app.Text(text::kWelcome, text::kLongTextCapacity);
  EXPECT_EQ(welcome.rfind("Welcome to \"Varnel\"!\n\nBefore flashing,", 0), 0u);
  EXPECT_GT(welcome.size(), text::kTextCapacity);
  EXPECT_EQ(welcome.find('\r'), std::string::npos);
  EXPECT_EQ(welcome.substr(welcome.size() - 13), "just in case.");
  EXPECT_EQ(app.Text(text::kWelcome).size(), text::kTextCapacity - 1);
}

TEST(LoadTextTest, LanguageModuleOnlyFor1251WithoutPerIdFallback) {
  testing::TempDir dir;
  WriteText(dir / "varnel.LNG", "11=Включить SERIAL\n34=COM-порт открыт\n");

  Application western("Varnel", 1252, {dir.Path()});
  EXPECT_FALSE(western.UsesLanguageModule());
  EXPECT_EQ(western.Text(text::kSwitchToSerial), "Switch to SERIAL");

  Application russian("Varnel", kCyrillicCodePage, {dir.Path()});
  ASSERT_TRUE(russian.UsesLanguageModule());
  std::string caption = russian.Text(text::kSwitchToSerial);
  EXPECT_EQ(caption.size(), 15u);  // eight Cyrillic letters, one byte each, and " SERIAL"
  EXPECT_EQ(russian.ToDisplay(caption), "Включить SERIAL");
  EXPECT_EQ(russian.Text(text::kUsingPort), "");  // the module lacks 33

  testing::TempDir empty;
  Application missing("Varnel", kCyrillicCodePage, {empty.Path()});
  EXPECT_EQ(missing.Text(text::kUsingPort), "Using %s, speed %d, block %d bytes");
  EXPECT_FALSE(missing.UsesLanguageModule());
}

// A folder copied from someone else brings no texts, and files far larger
// than a language module or a loader package are neither; the settings
// file is found in any letter case.
TEST(LoadTextTest, ModulesPackagesAndSettingsComeOnlyFromTheirPlacesAndWithinTheirSizes) {
  testing::TempDir dir;
  testing::ScopedWorkingDir cwd(dir.Path());
  WriteText(dir / "Varnel.lng", "11=Pack text\n");
  Application fromWorkingDir("Varnel", kCyrillicCodePage, LanguageModuleDirs("/nonexistent/bin/Varnel"));
  EXPECT_FALSE(fromWorkingDir.UsesLanguageModule());
  EXPECT_EQ(fromWorkingDir.Text(text::kSwitchToSerial), "Switch to SERIAL");

  std::string oversized = "11=Large\n";
  oversized.resize(kLanguageModuleMaxBytes + 1, '#');
  WriteText(dir / "Varnel.lng", oversized);
  EXPECT_FALSE(Application("Varnel", kCyrillicCodePage, {dir.Path()}).UsesLanguageModule());
  oversized.resize(kLanguageModuleMaxBytes);
  WriteText(dir / "Varnel.lng", oversized);
  EXPECT_TRUE(Application("Varnel", kCyrillicCodePage, {dir.Path()}).UsesLanguageModule());

  LoaderPackage package;
  WriteText(dir / "Varnel.res", std::string(kLoaderPackageMaxBytes + 1, '\0'));
  EXPECT_FALSE(package.Open(dir / "Varnel.res"));
  std::filesystem::resize_file(dir / "Varnel.res", kLoaderPackageMaxBytes);
  EXPECT_TRUE(package.Open(dir / "Varnel.res"));

  // The settings file is found in any letter case.
  Application app("Varnel", kUtf8CodePage, {});
  EXPECT_EQ(app.SettingsPath(), std::filesystem::path("Varnel.ini"));
  WriteText(dir / "VARNEL.INI", "");
  // Names the file that is there: on a file system that tells letter case
  // apart only "VARNEL.INI" itself does, on Windows any spelling of it.
  std::error_code error;
  EXPECT_TRUE(std::filesystem::equivalent(app.SettingsPath(), "VARNEL.INI", error)) << app.SettingsPath();
}

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
  // Kept: "%%" is a percent sign, flags and width take no argument.
  for (const char* line : {"33=%s %d %d ok", "48=100%% %s", "48=%-10s", "69=%.2f KiB", "41=100%% sure"}) {
    EXPECT_EQ(ParseLanguageModule(line, kUtf8CodePage, ProgramTexts()).Count(), 1u) << line;
  }
  // Refused: another conversion, "%l %" (no escaped percent), %n (writes
  // through its argument), a numbered argument, a width that is an argument
  // of its own, a dangling %, another length (another argument type) and
  // "% p" (a pointer).
  for (const char* line : {"35=%s wrong kind", "46=0x%x only one", "79=Can't save the log to %l %d%s", "48=%5% %s",
                           "48=%n%s", "48=%1$s", "35=%*d", "48=%s %", "69=%.1Lf", "41=100% plain text"}) {
    EXPECT_EQ(ParseLanguageModule(line, kUtf8CodePage, ProgramTexts()).Count(), 0u) << line;
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
