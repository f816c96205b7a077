// The settings file as the main window reads and writes it: no file on a
// first start, the exact file a close with the defaults writes and where,
// changed values and other sections kept, a stored preset that keeps the
// stored region texts, the tab shown, broken files and files that are not
// regular, the default dump file name, and the pages' file names under
// code page 1251 (the warnings' hide flags: tests/gui_dialogs_test.cpp).
#include "settings/default_paths.h"
#include "settings/settings.h"
#include "tests/scoped_variable_posix.h"
#include "tests/gui_test_support.h"
#include "tests/watched_fifo.h"

namespace varnel::testing {
namespace {

class GuiSettingsTest : public GuiTest {
 protected:
  // Closes the window for real and returns the settings file.
  std::string CloseAndRead() {
    window->close();
    EXPECT_FALSE(window->isVisible());
    return ReadText(SettingsFile());
  }
};

// The default dump file is in the home directory. Where a first settings
// file goes (the working directory when the package is there):
// tests/config_location_test.cpp; here the window writes where the
// program's rule says.
TEST_F(GuiSettingsTest, AFirstStartCreatesNoFileAndACloseWritesTheDefaultsWhereTheRuleSays) {
  {
    const ScopedVariable noHome("HOME", std::nullopt);
    EXPECT_EQ(std::filesystem::path(DefaultDumpFileName()).filename(), "dump.bin");
  }
  const ScopedVariable home("HOME", dir.Path().string());
  const std::string fileName = (dir / "dump.bin").string();
  const std::string defaults =
      "[Settings]\nOffset=0x1000000\nSize=0x800000\nState=0\nComPort=1\nComSpeed=115200\n"
      "BlockSize=1024\nLastTab=0\n[Flasher]\nFileName=" +
      fileName + "\n[Dumper]\nFileName=" + fileName + "\n";
  const std::filesystem::path configDir = dir / "config" / "varnel";
  Application configured("Varnel", kUtf8CodePage, {}, configDir);
  Open(&configured);
  EXPECT_FALSE(std::filesystem::exists(configDir / "Varnel.ini"));
  window->close();
  window.reset();  // it refers to `configured`
  EXPECT_EQ(ReadText(configDir / "Varnel.ini"), defaults);
  EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
  Open();
  EXPECT_EQ(CloseAndRead(), defaults);
}

TEST_F(GuiSettingsTest, ValuesAreShownAsStoredAndWrittenBackWithTheUsersChanges) {
  WriteText(SettingsFile(),
            "[Ports]\r\nCOM1=/dev/ttyS9\r\n[Settings]\r\nOffset=2000000\r\nSize=0x123456789ABC\r\n"
            "State=5\r\nComPort=12\r\nComSpeed=57600\r\nBlockSize=4096\r\nLastTab=3\r\n"
            "[Flasher]\r\nFileName=/tmp/image.bin\r\n");
  Open();
  EXPECT_EQ(Panel()->GetOffsetText(), "2000000");
  EXPECT_EQ(Panel()->GetSizeText(), "0x123456789ABC");  // longer than typing allows, shown whole
  EXPECT_EQ(Panel()->GetPreset(), kNoPreset);
  EXPECT_EQ(Tabs()->currentIndex(), 3);
  EXPECT_EQ(FileBox("flashPage")->text(), "/tmp/image.bin");
  EXPECT_EQ(window->BlockSize(), 4096u);

  Panel()->SetOffsetText("0x2500000");
  FileBox("dumpPage")->setText("/tmp/out.bin");
  EXPECT_EQ(CloseAndRead(),
            "[Ports]\r\nCOM1=/dev/ttyS9\r\n[Settings]\r\nOffset=0x2500000\r\nSize=0x123456789ABC\r\n"
            "State=-1\r\nComPort=12\r\nComSpeed=57600\r\nBlockSize=4096\r\nLastTab=3\r\n"
            "[Flasher]\r\nFileName=/tmp/image.bin\r\n[Dumper]\r\nFileName=/tmp/out.bin\r\n");
}

// The stored preset is shown checked, not applied: the boxes keep the
// stored texts, or the defaults when the file has none, and a close writes
// them back as they were. The stored tab is shown (with the log on the
// transfer tabs) and stored again; any other number shows and stores the
// instruction tab.
TEST_F(GuiSettingsTest, AStoredPresetKeepsTheStoredTextsAndTheStoredTabIsShown) {
  struct Case {
    const char* stored;
    int preset;
    const char* offset;
    const char* size;
    int tab;
  };
  constexpr std::array<Case, 7> kCases = {{
      {"State=0\nOffset=0x1234\nSize=0x10\nLastTab=0\n", 0, "0x1234", "0x10", 0},
      {"State=1\nOffset=0x1234\nSize=0x10\nLastTab=1\n", 1, "0x1234", "0x10", 1},
      {"State=2\nOffset=0x2000000\nSize=0x500000\nLastTab=2\n", 2, "0x2000000", "0x500000", 2},
      {"State=1\nLastTab=3\n", 1, kDefaultOffsetText, kDefaultSizeText, 3},
      {"State=7\nOffset=0x1234\nSize=0x10\nLastTab=4\n", kNoPreset, "0x1234", "0x10", 0},
      {"LastTab=-1\n", 0, kDefaultOffsetText, kDefaultSizeText, 0},
      {"LastTab=99\n", 0, kDefaultOffsetText, kDefaultSizeText, 0},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.stored);
    WriteText(SettingsFile(), std::string("[Settings]\n") + c.stored);
    Open();
    EXPECT_EQ(Panel()->GetPreset(), c.preset);
    EXPECT_EQ(Box("offsetBox")->text().toStdString(), c.offset);
    EXPECT_EQ(Box("sizeBox")->text().toStdString(), c.size);
    EXPECT_EQ(Tabs()->currentIndex(), c.tab);
    EXPECT_EQ(Part("log")->isVisible(), c.tab == kFlasherTabIndex || c.tab == kDumperTabIndex);
    const std::string written = CloseAndRead();
    EXPECT_NE(written.find(std::string("Offset=") + c.offset + "\nSize=" + c.size + "\n"), std::string::npos);
    EXPECT_NE(written.find("LastTab=" + std::to_string(c.tab) + "\n"), std::string::npos);
    window.reset();
  }
}

TEST_F(GuiSettingsTest, ABrokenFileReadsAsDefaults) {
  const std::array<std::string, 4> kBroken = {
      std::string("\0\xff\xfe garbage \x01\x02", 14),
      "no sections at all\nComPort=7\n",
      "[Settings\nComPort=7\n[]\n=\n",
      "[Settings]\nComPort=abc\nComSpeed=\nBlockSize=0x10\nOffset\n",
  };
  for (const std::string& content : kBroken) {
    SCOPED_TRACE(content);
    WriteText(SettingsFile(), content);
    const WindowSettings read = LoadSettings(Profile::Load(SettingsFile()));
    WindowSettings expected;
    // "abc" and "0x10" read as the platform's reader reads them: 0.
    if (content.find("abc") != std::string::npos) expected.comPort = 0, expected.blockSize = 0;
    EXPECT_EQ(read, expected);
  }
}

// Which files are not regular, and that the store neither opens nor
// replaces them: tests/profile_store_posix_test.cpp. Here no part of the
// window's life opens the FIFO either (it would wait for a writer: the
// watcher lets it go on and tells).
TEST_F(GuiSettingsTest, AFileThatIsNotRegularGivesTheDefaultsAndOneGreyLine) {
  WatchedFifo fifo(SettingsFile());
  ASSERT_TRUE(fifo.Created());
  Open();
  EXPECT_EQ(Panel()->GetOffsetText(), kDefaultOffsetText);
  EXPECT_EQ(FileBox("dumpPage")->text().toStdString(), DefaultDumpFileName());
  EXPECT_EQ(ColouredLog(*window),
            (std::vector<ColouredLine>{{"Varnel.ini is not a regular file: ignored, the defaults are used", kGrey}}));
  // Writing fails quietly and the window closes all the same.
  window->close();
  EXPECT_FALSE(window->isVisible());
  window.reset();
  EXPECT_EQ(std::filesystem::symlink_status(SettingsFile()).type(), std::filesystem::file_type::fifo);
  EXPECT_FALSE(fifo.Opened());
}

// The pages' file names under code page 1251, the one a Cyrillic language
// gives: they are not texts of the code page but the file system's names.
TEST_F(GuiSettingsTest, FileNamesGoThroughTheFileByteForByteAndCodePageNamesComeBackInUtf8) {
  Application cyrillic{"Varnel", kCyrillicCodePage, {}};
  const auto dropWindow = qScopeGuard([&] { window.reset(); });  // it refers to `cyrillic`
  const auto shown = [&](const char* page) { return FileBox(page)->text().toStdString(); };
  const std::string folder = (dir / "Мои файлы").string();
  std::string longName = folder + "/";
  while (longName.size() <= 2 * kProfileTextRoom) longName += "длинное имя ";
  longName += ".bin";
  // Longer than a plain read of the file takes; quotes and blanks:
  // tests/profile_store_test.cpp.
  for (const std::string& name : {folder + "/été.bin", longName}) {
    SCOPED_TRACE(name);
    Open(&cyrillic);
    for (const char* page : {"flashPage", "dumpPage"}) FileBox(page)->setText(QString::fromStdString(name));
    EXPECT_NE(CloseAndRead().find("[Flasher]\nFileName=" + name + "\n[Dumper]\nFileName=" + name + "\n"),
              std::string::npos);
    Open(&cyrillic);
    for (const char* page : {"flashPage", "dumpPage"}) {
      EXPECT_EQ(shown(page), name) << page;
      EXPECT_EQ(Part<FilePage>(page)->FileName().toStdString(), name) << page;
    }
    window.reset();
    std::filesystem::remove(SettingsFile());
  }
  // A name stored in the code page is read and written back in UTF-8:
  // "C:\Мои файлы\dump.bin" as a Windows system with code page 1251 stores it.
  WriteText(SettingsFile(), "[Flasher]\r\nFileName=C:\\\xCC\xEE\xE8 \xF4\xE0\xE9\xEB\xFB\\dump.bin\r\n");
  Open(&cyrillic);
  EXPECT_EQ(shown("flashPage"), "C:\\Мои файлы\\dump.bin");
  EXPECT_EQ(shown("dumpPage"), DefaultDumpFileName());
  EXPECT_NE(CloseAndRead().find("[Flasher]\r\nFileName=C:\\Мои файлы\\dump.bin\r\n"), std::string::npos);
}

}  // namespace
}  // namespace varnel::testing
