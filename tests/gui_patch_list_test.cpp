// The "Patcher DB" page: the headers of the working directory's patch
// files in report view, in the directory's own order, and the button that
// logs a line.
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

#include <array>
#include <map>

#include "gui/page_layout.h"
#include "pages/dialog_units.h"
#include "tests/gui_test_support.h"

namespace varnel::testing {
namespace {

// A header record with the texts at their offsets, cut to `length` bytes.
std::string Record(const std::string& version, const std::string& author, const std::string& name, size_t length) {
  std::string record(88, '\0');
  record.replace(0, 4, "\x01\x02\x03\x04");
  record.replace(4, version.size(), version);
  record.replace(14, author.size(), author);
  record.replace(34, name.size(), name);
  return record.substr(0, length);
}

class GuiPatchListTest : public GuiTest {
 protected:
  QTableWidget* List() { return Child<QTableWidget>(*window, "patchList"); }
  std::array<std::string, 3> Row(int row) {
    std::array<std::string, 3> cells;
    for (int column = 0; column < 3; ++column) cells[column] = List()->item(row, column)->text().toStdString();
    return cells;
  }
};

TEST_F(GuiPatchListTest, ListsThePatchFilesHeadersInTheDirectorysOrder) {
  const std::map<std::string, std::array<std::string, 3>> files = {
      {"menus.cpf", {"Faster menus", "Ann Other", "1.2b"}},
      {"RADIO.CPF", {"FM radio fix", "J. Doe", "0.9"}},
      {"short.cpf", {"", "Author", "2.0"}},  // 20 bytes
  };
  WriteText(dir / "menus.cpf", Record("1.2b", "Ann Other", "Faster menus", 88));
  WriteText(dir / "RADIO.CPF", Record("0.9", "J. Doe", "FM radio fix", 88));
  WriteText(dir / "short.cpf", Record("2.0", "Authorship", "unseen", 20));
  WriteText(dir / "notes.txt", Record("9", "x", "not a patch", 88));
  WriteText(dir / "menus.cpf.bak", Record("9", "x", "not a patch", 88));
  std::vector<std::array<std::string, 3>> expected;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    const auto it = files.find(entry.path().filename().string());
    if (it != files.end()) expected.push_back(it->second);
  }
  Open();
  window->findChild<QTabWidget*>("tabs")->setCurrentIndex(kPatcherTabIndex);
  QCoreApplication::processEvents();

  ASSERT_EQ(List()->rowCount(), static_cast<int>(expected.size()));
  for (int row = 0; row < List()->rowCount(); ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(Row(row), expected[static_cast<size_t>(row)]);
  }
  const std::array<const char*, 3> headings = {"Name", "Author", "Version"};
  for (int column = 0; column < 3; ++column) {
    EXPECT_EQ(List()->horizontalHeaderItem(column)->text(), headings[column]);
  }
  const DialogUnits units(List()->font());
  QHeaderView* header = List()->horizontalHeader();
  EXPECT_EQ(header->sectionSize(0), units.ReferenceX(170));
  EXPECT_EQ(header->sectionSize(1), units.ReferenceX(65));
  // The last column takes the rest of the list's width.
  EXPECT_EQ(header->sectionSize(0) + header->sectionSize(1) + header->sectionSize(2), List()->viewport()->width());
  EXPECT_FALSE(header->sectionsClickable());
  EXPECT_FALSE(List()->isSortingEnabled());
  EXPECT_EQ(List()->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(List()->selectionBehavior(), QAbstractItemView::SelectRows);
}

TEST_F(GuiPatchListTest, TheButtonLogsItsLineAndBringsUpTheDumper) {
  WriteText(SettingsFile(), "[Settings]\nLastTab=3\n");
  Open();
  auto* button = Child<QPushButton>(*window, "button1");
  EXPECT_EQ(button->text(), "Button1");
  button->click();
  const std::vector<ShownLine> lines = LogLines(*window);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(WithoutStamp(lines[0].text), "AAAAAAAA");
  EXPECT_NE(WithoutStamp(lines[0].text), lines[0].text);
  EXPECT_EQ(lines[0].colour, QColor(Qt::black));
  EXPECT_EQ(Child<QTabWidget>(*window, "tabs")->currentIndex(), kDumperTabIndex);
}

}  // namespace
}  // namespace varnel::testing
