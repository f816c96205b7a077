// The pages: choosing the flash and dump pages' files (the save dialog of
// the dump page with its filters, extension and overwrite question, the
// open dialog of the flash page that takes existing files only,
// cancelling, and the working directory left as it was), and the "Patcher
// DB" page: the headers of the working directory's patch files in report
// view, in the directory's own order, and the button that logs a line.
#include "format/patch_header.h"
#include "tests/gui_test_support.h"

namespace varnel::testing {
namespace {

class GuiFilePageTest : public GuiTest {
 protected:
  FilePage* Page(const char* name) { return Part<FilePage>(name); }
  std::string Shown(const char* page) { return FileBox(page)->text().toStdString(); }
  std::string Path(const std::string& name) { return (dir / name).string(); }

  // Types `name` into the dialog and accepts it; a dialog
  // that refused the name is then cancelled.
  static void Choose(QFileDialog& dialog, const std::string& name) {
    TypeAndAccept(dialog, name);
    if (dialog.isVisible()) dialog.reject();
  }

  static void WriteReadOnly(const std::filesystem::path& path) {
    WriteText(path, "image");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
  }
};

TEST_F(GuiFilePageTest, TheSaveDialogOffersBinaryFilesAddsTheirExtensionAndAsksBeforeReplacing) {
  Open();
  const std::filesystem::path before = std::filesystem::current_path();
  QStringList captions;
  OnModal<QFileDialog> save([&](QFileDialog& d) {
    EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
    const auto* types = d.findChild<QComboBox*>("fileTypeCombo");
    for (int i = 0; types != nullptr && i < types->count(); ++i) captions << types->itemText(i);
    Choose(d, Path("backup"));
  });
  Page("dumpPage")->Browse();
  ASSERT_TRUE(save.Done());
  EXPECT_EQ(captions, QStringList({"Binary files (*.bin)", "All files (*.*)"}));
  EXPECT_EQ(Shown("dumpPage"), Path("backup.bin"));
  EXPECT_EQ(Page("dumpPage")->FileName().toStdString(), Path("backup.bin"));
  EXPECT_EQ(std::filesystem::current_path(), before);
  EXPECT_TRUE(FileBox("dumpPage")->isReadOnly());

  // An existing file is taken only after the user agrees to replace it.
  WriteText(dir / "old.bin", "keep");
  for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
    SCOPED_TRACE(answer);
    std::string question;
    OnModal<QMessageBox> ask([&](QMessageBox& box) {
      question = box.text().toStdString();
      box.button(answer)->click();
    });
    OnModal<QFileDialog> dialog([&](QFileDialog& d) { Choose(d, Path("old.bin")); });
    Page("dumpPage")->Browse();
    EXPECT_NE(question.find("old.bin"), std::string::npos) << question;
    EXPECT_EQ(Shown("dumpPage"), Path(answer == QMessageBox::Yes ? "old.bin" : "backup.bin"));
  }
  EXPECT_EQ(ReadText(dir / "old.bin"), "keep");  // choosing writes nothing
}

// Read-only files are taken: a flash only reads them.
TEST_F(GuiFilePageTest, TheOpenDialogTakesExistingFilesOnlyAndCancelKeepsTheName) {
  WriteReadOnly(dir / "image.bin");
  Open();
  const std::string before = Shown("flashPage");
  struct Case {
    const char* name;
    bool refused;
  };
  for (const Case& c : {Case{"missing.bin", true}, Case{"image.bin", false}}) {
    SCOPED_TRACE(c.name);
    bool warned = false;
    OnModal<QMessageBox> notFound([&](QMessageBox& box) {
      warned = true;
      box.button(QMessageBox::Ok)->click();
    });
    OnModal<QFileDialog> dialog([&](QFileDialog& d) {
      EXPECT_EQ(d.fileMode(), QFileDialog::ExistingFile);
      Choose(d, Path(c.name));
    });
    Page("flashPage")->Browse();
    EXPECT_EQ(warned, c.refused);
    EXPECT_EQ(Shown("flashPage"), c.refused ? before : Path(c.name));
  }
  OnModal<QFileDialog> cancel([](QFileDialog& d) { d.reject(); });
  Page("flashPage")->Browse();
  EXPECT_TRUE(cancel.Done());
  EXPECT_EQ(Shown("flashPage"), Path("image.bin"));
}

TEST_F(GuiFilePageTest, AReadOnlyFileIsRefusedForADump) {
  WriteReadOnly(dir / "image.bin");
  Open();
  // Every box is answered (Yes to replacing, OK to the refusal),
  // and the dialog that comes back after the refusal is cancelled. Each
  // kind of window has its own poller: a timer does not fire again while
  // its own handler waits in a nested dialog.
  const std::string before = Shown("dumpPage");
  std::vector<std::string> boxes;
  const Poller answerBoxes([&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    boxes.push_back(box->text().toStdString());
    QAbstractButton* yes = box->button(QMessageBox::Yes);
    (yes != nullptr ? yes : box->button(QMessageBox::Ok))->click();
  });
  const Poller driveDialog([&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    if (boxes.empty()) {
      TypeAndAccept(*dialog, Path("image.bin"));
    } else {
      dialog->reject();
    }
  });
  Page("dumpPage")->Browse();
  ASSERT_FALSE(boxes.empty());
  EXPECT_NE(boxes.back().find("read-only"), std::string::npos) << boxes.back();
  EXPECT_EQ(Shown("dumpPage"), before);
  EXPECT_EQ(ReadText(dir / "image.bin"), "image");
}

// A header record with the texts at their offsets.
std::string Record(const std::string& version, const std::string& author, const std::string& name) {
  std::string record(88, '\0');
  record.replace(0, 4, "\x01\x02\x03\x04");
  record.replace(4, version.size(), version);
  record.replace(14, author.size(), author);
  record.replace(34, name.size(), name);
  return record;
}

// The button logs its line and brings up the dump tab.
TEST_F(GuiFilePageTest, ThePatchListShowsThePatchFilesHeadersInTheDirectorysOrder) {
  WriteText(dir / "menus.cpf", Record("1.2b", "Ann Other", "Faster menus"));
  WriteText(dir / "RADIO.CPF", Record("0.9", "J. Doe", "FM radio fix"));
  WriteText(dir / "notes.txt", Record("9", "x", "not a patch"));
  // Which files, in which order, and what a short one holds:
  // tests/patch_header_test.cpp. Here each header's row and columns.
  std::vector<std::array<std::string, 3>> expected;
  for (const PatchHeader& h : ReadPatchHeaders(dir.Path())) expected.push_back({h.name, h.author, h.version});
  ASSERT_EQ(expected.size(), 2u);
  Open();
  SelectTab(kPatcherTabIndex);
  QCoreApplication::processEvents();
  auto* list = Part<QTableWidget>("patchList");
  ASSERT_EQ(list->rowCount(), static_cast<int>(expected.size()));
  for (size_t row = 0; row < expected.size(); ++row) {
    for (int column = 0; column < 3; ++column) {
      EXPECT_EQ(list->item(static_cast<int>(row), column)->text().toStdString(), expected[row][column]) << row;
    }
  }
  for (int column = 0; column < 3; ++column) {
    EXPECT_EQ(list->horizontalHeaderItem(column)->text(), QStringList({"Name", "Author", "Version"})[column]);
  }
  // The last column takes the rest of the list's width.
  QHeaderView* header = list->horizontalHeader();
  EXPECT_EQ(header->sectionSize(0) + header->sectionSize(1) + header->sectionSize(2), list->viewport()->width());

  Part<QPushButton>("button1")->click();
  EXPECT_EQ(ColouredLog(*window), (std::vector<ColouredLine>{{"AAAAAAAA", kBlack}}));
  EXPECT_EQ(Tabs()->currentIndex(), kDumperTabIndex);
}

}  // namespace
}  // namespace varnel::testing
