// The settings file as the main window reads and writes it: no file on a
// first start, the exact file a close with the defaults writes, changed
// values and other sections kept, a stored preset that keeps the stored
// region texts, the tab shown, broken files and files that are not
// regular, the default dump file name, the hidden warnings, and the pages'
// file names under code page 1251.
#include <QLineEdit>
#include <QTabWidget>

#include <array>
#include <cstdlib>
#include <optional>

#include "gui/log_view.h"
#include "pages/file_page.h"
#include "pages/region_panel.h"
#include "settings/default_paths.h"
#include "settings/settings.h"
#include "tests/gui_test_support.h"
#include "tests/watched_fifo.h"

namespace varnel::testing {
namespace {

class GuiSettingsTest : public GuiTest {
 protected:
  QLineEdit* FileBox(const char* page) { return Child<QWidget>(*window, page)->findChild<QLineEdit*>(); }
  RegionPanel* Panel() { return Child<RegionPanel>(*window, "regionPanel"); }

  // Closes the window for real and returns the settings file.
  std::string CloseAndRead() {
    window->close();
    EXPECT_FALSE(window->isVisible());
    return ReadText(SettingsFile());
  }
};

TEST_F(GuiSettingsTest, AFirstStartCreatesNoFileAndACloseWritesTheDefaults) {
  Open();
  EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
  const std::string fileName = DefaultDumpFileName();
  EXPECT_EQ(CloseAndRead(),
            "[Settings]\nOffset=0x1000000\nSize=0x800000\nState=0\nComPort=1\nComSpeed=115200\n"
            "BlockSize=1024\nLastTab=0\n[Flasher]\nFileName=" +
                fileName + "\n[Dumper]\nFileName=" + fileName + "\n");
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
  EXPECT_EQ(Child<QTabWidget>(*window, "tabs")->currentIndex(), 3);
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
// them back as they were.
TEST_F(GuiSettingsTest, AStoredPresetKeepsTheStoredTexts) {
  struct Case {
    const char* stored;
    int preset;
    const char* offset;
    const char* size;
  };
  constexpr std::array<Case, 5> kCases = {{
      {"State=0\nOffset=0x1234\nSize=0x10\n", 0, "0x1234", "0x10"},
      {"State=1\nOffset=0x1234\nSize=0x10\n", 1, "0x1234", "0x10"},
      {"State=2\nOffset=0x2000000\nSize=0x500000\n", 2, "0x2000000", "0x500000"},
      {"State=1\n", 1, kDefaultOffsetText, kDefaultSizeText},
      {"State=7\nOffset=0x1234\nSize=0x10\n", kNoPreset, "0x1234", "0x10"},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.stored);
    WriteText(SettingsFile(), std::string("[Settings]\n") + c.stored);
    Open();
    EXPECT_EQ(Panel()->GetPreset(), c.preset);
    EXPECT_EQ(Child<QLineEdit>(*window, "offsetBox")->text().toStdString(), c.offset);
    EXPECT_EQ(Child<QLineEdit>(*window, "sizeBox")->text().toStdString(), c.size);
    const std::string written = CloseAndRead();
    EXPECT_NE(written.find(std::string("Offset=") + c.offset + "\nSize=" + c.size + "\n"), std::string::npos);
    window.reset();
    std::filesystem::remove(SettingsFile());
  }
}

// The stored tab is shown (with the log on the transfer tabs) and stored
// again; any other number shows and stores the instruction tab.
TEST_F(GuiSettingsTest, TheStoredTabIsShownAndAnyOtherIsTheInstructionTab) {
  struct Case {
    const char* lastTab;
    int shown;
    bool log;
  };
  constexpr std::array<Case, 7> kCases = {{
      {"0", 0, false},
      {"1", 1, true},
      {"2", 2, true},
      {"3", 3, false},
      {"4", 0, false},
      {"-1", 0, false},
      {"99", 0, false},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.lastTab);
    WriteText(SettingsFile(), std::string("[Settings]\nLastTab=") + c.lastTab + "\n");
    Open();
    EXPECT_EQ(Child<QTabWidget>(*window, "tabs")->currentIndex(), c.shown);
    EXPECT_EQ(Child<QWidget>(*window, "log")->isVisible(), c.log);
    EXPECT_NE(CloseAndRead().find("LastTab=" + std::to_string(c.shown) + "\n"), std::string::npos);
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
    Open();
    window->close();
    EXPECT_FALSE(window->isVisible());
    window.reset();
  }
}

TEST_F(GuiSettingsTest, AFileThatIsNotRegularGivesTheDefaultsAndOneGreyLine) {
  enum class Kind { Fifo, Directory };
  for (Kind kind : {Kind::Fifo, Kind::Directory}) {
    SCOPED_TRACE(kind == Kind::Fifo ? "FIFO" : "directory");
    // A start-up that opened the FIFO would wait for a writer: the watcher
    // lets it go on and tells.
    std::optional<WatchedFifo> fifo;
    if (kind == Kind::Fifo) {
      ASSERT_TRUE(fifo.emplace(SettingsFile()).Created());
    } else {
      ASSERT_TRUE(std::filesystem::create_directory(SettingsFile()));
    }
    Open();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Panel()->GetOffsetText(), kDefaultOffsetText);
    EXPECT_EQ(FileBox("dumpPage")->text().toStdString(), DefaultDumpFileName());
    const std::vector<ShownLine> lines = LogLines(*window);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(WithoutStamp(lines[0].text), "Varnel.ini is not a regular file: ignored, the defaults are used");
    EXPECT_EQ(lines[0].colour, ToQColor(kGrey));
    EXPECT_TRUE(lines[0].uniform);
    // Writing fails quietly and the window closes all the same.
    window->close();
    EXPECT_FALSE(window->isVisible());
    window.reset();
    EXPECT_EQ(std::filesystem::symlink_status(SettingsFile()).type(),
              kind == Kind::Fifo ? std::filesystem::file_type::fifo : std::filesystem::file_type::directory);
    EXPECT_FALSE(fifo && fifo->Opened());
    fifo.reset();
    std::filesystem::remove(SettingsFile());
  }
}

TEST_F(GuiSettingsTest, OnlyTheValueOneHidesAWarning) {
  WriteText(SettingsFile(), "[Warning]\nHide4=1\nHide6=2\nHide8=\nHide9=01\n");
  EXPECT_TRUE(IsWarningHidden(SettingsFile(), 4));
  EXPECT_FALSE(IsWarningHidden(SettingsFile(), 6));
  EXPECT_FALSE(IsWarningHidden(SettingsFile(), 8));
  EXPECT_TRUE(IsWarningHidden(SettingsFile(), 9));  // read as the integer 1
  EXPECT_FALSE(IsWarningHidden(SettingsFile(), 41));
  EXPECT_FALSE(IsWarningHidden(dir / "missing.ini", 4));
}

TEST_F(GuiSettingsTest, TheDefaultDumpFileIsInTheHomeDirectory) {
  const char* saved = std::getenv("HOME");
  const std::string previous = saved != nullptr ? saved : "";
  ::setenv("HOME", dir.Path().c_str(), 1);
  EXPECT_EQ(DefaultDumpFileName(), (dir / "dump.bin").string());
  ::unsetenv("HOME");
  EXPECT_EQ(std::filesystem::path(DefaultDumpFileName()).filename(), "dump.bin");
  if (saved != nullptr) ::setenv("HOME", previous.c_str(), 1);
}

TEST_F(GuiSettingsTest, AFirstCloseWritesIntoTheConfigurationDirectoryUnlessThePackageIsHere) {
  struct Case {
    const char* what;
    bool packageHere;
  };
  constexpr std::array<Case, 2> kCases = {{{"no package here", false}, {"the package here", true}}};
  const std::filesystem::path configDir = dir / "config" / "varnel";
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    if (c.packageHere) WriteText(dir / "Varnel.res", "");
    Application configured("Varnel", kUtf8CodePage, {}, configDir);
    window = std::make_unique<MainWindow>(configured);
    window->show();
    window->close();
    window.reset();
    const std::filesystem::path written = c.packageHere ? SettingsFile() : configDir / "Varnel.ini";
    const std::filesystem::path notWritten = c.packageHere ? configDir / "Varnel.ini" : SettingsFile();
    EXPECT_NE(ReadText(written).find("[Settings]\nOffset=0x1000000\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(notWritten));
    std::filesystem::remove_all(dir / "config");
  }
}

// The pages' file names under code page 1251, the one a Cyrillic language
// gives: they are not texts of the code page but the file system's names.
class GuiCyrillicSettingsTest : public GuiSettingsTest {
 protected:
  ~GuiCyrillicSettingsTest() override { window.reset(); }  // it refers to `cyrillic`

  void OpenCyrillic() {
    window = std::make_unique<MainWindow>(cyrillic);
    window->show();
  }
  std::string Shown(const char* page) { return FileBox(page)->text().toStdString(); }
  std::string Kept(const char* page) { return Child<FilePage>(*window, page)->FileName().toStdString(); }

  Application cyrillic{"Varnel", kCyrillicCodePage, {}};
};

TEST_F(GuiCyrillicSettingsTest, FileNamesGoThroughTheFileByteForByte) {
  const std::string folder = (dir / "Мои файлы").string();
  std::string longName = folder + "/";
  while (longName.size() <= 2 * kProfileTextRoom) longName += "длинное имя ";
  longName += ".bin";
  struct Case {
    std::string name;
    std::string stored;  // the value as the file holds it
  };
  const std::array<Case, 4> kCases = {{
      {folder + "/été.bin", folder + "/été.bin"},
      {longName, longName},
      {folder + "/blank at the end.bin ", "\"" + folder + "/blank at the end.bin \""},
      {"\"quoted.bin\"", "\"\"quoted.bin\"\""},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    OpenCyrillic();
    for (const char* page : {"flashPage", "dumpPage"}) FileBox(page)->setText(QString::fromStdString(c.name));
    EXPECT_NE(CloseAndRead().find("[Flasher]\nFileName=" + c.stored + "\n[Dumper]\nFileName=" + c.stored + "\n"),
              std::string::npos);
    OpenCyrillic();
    for (const char* page : {"flashPage", "dumpPage"}) {
      EXPECT_EQ(Shown(page), c.name) << page;
      EXPECT_EQ(Kept(page), c.name) << page;
    }
    window.reset();
    std::filesystem::remove(SettingsFile());
  }
}

TEST_F(GuiCyrillicSettingsTest, ANameStoredInTheCodePageIsReadAndWrittenBackInUtf8) {
  // "C:\Мои файлы\dump.bin" as a Windows system with code page 1251 stores it.
  WriteText(SettingsFile(), "[Flasher]\r\nFileName=C:\\\xCC\xEE\xE8 \xF4\xE0\xE9\xEB\xFB\\dump.bin\r\n");
  OpenCyrillic();
  EXPECT_EQ(Shown("flashPage"), "C:\\Мои файлы\\dump.bin");
  EXPECT_EQ(Shown("dumpPage"), DefaultDumpFileName());
  EXPECT_NE(CloseAndRead().find("[Flasher]\r\nFileName=C:\\Мои файлы\\dump.bin\r\n"), std::string::npos);
}

}  // namespace
}  // namespace varnel::testing
