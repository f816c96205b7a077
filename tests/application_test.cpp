// Start-up state: the code page, the text module and LoadText.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <system_error>

#include "format/loader_package.h"
#include "tests/test_support.h"
#include "texts/application.h"
#include "texts/code_page.h"
#include "texts/language_module.h"

namespace varnel {
namespace {

using testing::WriteText;

TEST(CodePageTest, CyrillicLanguagesGet1251OthersTheirLocalesOwn) {
  struct Case {
    const char* locale;
    uint32_t codePage;
  };
  constexpr std::array<Case, 11> kCases = {{
      {"ru_RU.UTF-8", kCyrillicCodePage},
      {"uk_UA", kCyrillicCodePage},
      {"be_BY.CP1251", kCyrillicCodePage},
      {"bg_BG.utf8", kCyrillicCodePage},
      {"sr_RS@latin", kLatin1CodePage},
      {"en_US.UTF-8", kUtf8CodePage},
      {"de_DE.ISO-8859-1", kLatin1CodePage},
      {"fr_FR", kLatin1CodePage},
      {"C", kAsciiCodePage},
      {"C.UTF-8", kUtf8CodePage},
      {"rus_RU.UTF-8", kUtf8CodePage},  // not a Cyrillic language code
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.locale);
    EXPECT_EQ(CodePageForLocale(c.locale), c.codePage);
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
// than a language module or a loader package are neither.
TEST(LoadTextTest, ModulesAndPackagesComeOnlyFromTheirPlacesAndWithinTheirSizes) {
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
}

TEST(LoadTextTest, SettingsPathFindsTheFileInAnyLetterCase) {
  testing::TempDir dir;
  testing::ScopedWorkingDir cwd(dir.Path());
  Application app("Varnel", kUtf8CodePage, {});
  EXPECT_EQ(app.SettingsPath(), std::filesystem::path("Varnel.ini"));
  WriteText(dir / "VARNEL.INI", "");
  // Names the file that is there: on a file system that tells letter case
  // apart only "VARNEL.INI" itself does, on Windows any spelling of it.
  std::error_code error;
  EXPECT_TRUE(std::filesystem::equivalent(app.SettingsPath(), "VARNEL.INI", error)) << app.SettingsPath();
}

}  // namespace
}  // namespace varnel
