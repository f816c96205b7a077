// Choosing the flash and dump pages' files: the save dialog of the dump
// page with its filters, extension and overwrite question, the open
// dialog of the flash page that takes existing files only, cancelling, and
// the working directory left as it was.
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

#include "pages/file_page.h"
#include "tests/gui_test_support.h"

namespace varnel::testing {
namespace {

class GuiFilePageTest : public GuiTest {
 protected:
  FilePage* Page(const char* name) { return Child<FilePage>(*window, name); }
  std::string Shown(const char* page) { return Page(page)->findChild<QLineEdit*>("fileBox")->text().toStdString(); }
  std::string Path(const std::string& name) { return (dir / name).string(); }

  // Types `name` into the dialog and accepts it; a dialog
  // that refused the name is then cancelled.
  static void Choose(QFileDialog& dialog, const std::string& name) {
    TypeAndAccept(dialog, name);
    if (dialog.isVisible()) dialog.reject();
  }
};

TEST_F(GuiFilePageTest, TheSaveDialogOffersBinaryFilesAndAddsTheirExtension) {
  Open();
  const std::filesystem::path before = std::filesystem::current_path();
  QStringList captions;
  OnModal<QFileDialog> dialog([&](QFileDialog& d) {
    EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
    const auto* types = d.findChild<QComboBox*>("fileTypeCombo");
    for (int i = 0; types != nullptr && i < types->count(); ++i) captions << types->itemText(i);
    Choose(d, Path("backup"));
  });
  Page("dumpPage")->Browse();
  ASSERT_TRUE(dialog.Done());
  EXPECT_EQ(captions, QStringList({"Binary files (*.bin)", "All files (*.*)"}));
  EXPECT_EQ(Shown("dumpPage"), Path("backup.bin"));
  EXPECT_EQ(Page("dumpPage")->FileName().toStdString(), Path("backup.bin"));
  EXPECT_EQ(std::filesystem::current_path(), before);
  EXPECT_TRUE(Page("dumpPage")->findChild<QLineEdit*>("fileBox")->isReadOnly());
}

TEST_F(GuiFilePageTest, AnExistingFileIsOverwrittenOnlyAfterTheUserAgrees) {
  WriteText(dir / "old.bin", "keep");
  Open();
  const std::string before = Shown("dumpPage");
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
    EXPECT_EQ(Shown("dumpPage"), answer == QMessageBox::Yes ? Path("old.bin") : before);
  }
  EXPECT_EQ(ReadText(dir / "old.bin"), "keep");  // choosing writes nothing
}

TEST_F(GuiFilePageTest, TheOpenDialogTakesExistingFilesOnlyAndCancelKeepsTheName) {
  WriteText(dir / "image.bin", "image");
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

TEST_F(GuiFilePageTest, AReadOnlyFileIsTakenForAFlashButRefusedForADump) {
  WriteText(dir / "image.bin", "image");
  std::filesystem::permissions(dir / "image.bin", std::filesystem::perms::owner_read |
                                                      std::filesystem::perms::group_read |
                                                      std::filesystem::perms::others_read);
  Open();
  OnModal<QFileDialog> open([&](QFileDialog& d) { Choose(d, Path("image.bin")); });
  Page("flashPage")->Browse();
  EXPECT_EQ(Shown("flashPage"), Path("image.bin"));

  // The dump: every box is answered (Yes to replacing, OK to the refusal),
  // and the dialog that comes back after the refusal is cancelled. Each
  // kind of window has its own timer: a timer does not fire again while
  // its own handler waits in a nested dialog.
  const std::string before = Shown("dumpPage");
  std::vector<std::string> boxes;
  QTimer answerBoxes;
  QObject::connect(&answerBoxes, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    boxes.push_back(box->text().toStdString());
    QAbstractButton* yes = box->button(QMessageBox::Yes);
    (yes != nullptr ? yes : box->button(QMessageBox::Ok))->click();
  });
  QTimer driveDialog;
  QObject::connect(&driveDialog, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    if (boxes.empty()) {
      TypeAndAccept(*dialog, Path("image.bin"));
    } else {
      dialog->reject();
    }
  });
  answerBoxes.start(static_cast<int>(kEventSlice.count()));
  driveDialog.start(static_cast<int>(kEventSlice.count()));
  Page("dumpPage")->Browse();
  ASSERT_FALSE(boxes.empty());
  EXPECT_NE(boxes.back().find("read-only"), std::string::npos) << boxes.back();
  EXPECT_EQ(Shown("dumpPage"), before);
  EXPECT_EQ(ReadText(dir / "image.bin"), "image");
}

}  // namespace
}  // namespace varnel::testing
