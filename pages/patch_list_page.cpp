// The patch list page.
#include "pages/patch_list_page.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

#include <array>
#include <filesystem>

#include "format/patch_header.h"
#include "pages/accessible_name.h"
#include "pages/dialog_units.h"

namespace varnel {
namespace {

// The button keeps the caption of the page's template; no text replaces it.
constexpr char kButtonCaption[] = "Button1";
constexpr char kButtonLogText[] = "AAAAAAAA";
constexpr char kListName[] = "Patch files";

struct Column {
  uint16_t heading;
  int widthPixels;  // at the reference font; the last column then stretches
  Qt::Alignment alignment;
};
constexpr std::array<Column, 3> kColumns = {{
    {text::kNameColumn, 170, Qt::AlignLeft | Qt::AlignVCenter},
    {text::kAuthorColumn, 65, Qt::AlignCenter},
    {text::kVersionColumn, 75, Qt::AlignCenter},
}};
constexpr int kNameColumn = 0;
constexpr int kAuthorColumn = 1;
constexpr int kVersionColumn = 2;

// The list and the button, in dialog units.
constexpr int kListWidth = 228;

}  // namespace

PatchListPage::PatchListPage(const Application& application, QWidget* parent)
    : QWidget(parent), app(application), list(new QTableWidget), button(new QPushButton(kButtonCaption)) {
  NameControl(list, "patchList", QString::fromLatin1(kListName));
  button->setObjectName(QStringLiteral("button1"));
  button->setAutoDefault(false);
  SetUpList();
  FillList();
  const DialogUnits units(font());
  list->setMinimumWidth(units.X(kListWidth));
  button->setMinimumWidth(units.X(kDialogButtonWidth));
  auto* layout = new QGridLayout(this);
  layout->addWidget(list, 0, 0, 2, 1);
  layout->addWidget(button, 0, 1, Qt::AlignTop);
  layout->setColumnStretch(0, 1);
  layout->setRowStretch(1, 1);
  connect(button, &QPushButton::clicked, this, [this] { emit LogRequested(kButtonLogText, kBlack); });
}

std::vector<QWidget*> PatchListPage::TabOrder() const { return {list, button}; }

void PatchListPage::SetUpList() {
  list->setColumnCount(static_cast<int>(kColumns.size()));
  const DialogUnits units(font());
  for (int i = 0; i < static_cast<int>(kColumns.size()); ++i) {
    auto* heading = new QTableWidgetItem(QString::fromStdString(app.ToDisplay(app.Text(kColumns[i].heading))));
    heading->setTextAlignment(kColumns[i].alignment);
    list->setHorizontalHeaderItem(i, heading);
    list->setColumnWidth(i, units.ReferenceX(kColumns[i].widthPixels));
  }
  // Report view: grid lines, whole rows selected one at a time, headings
  // that sort nothing, rows kept in the order they were added.
  list->setShowGrid(true);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setSortingEnabled(false);
  list->setWordWrap(false);
  list->verticalHeader()->hide();
  list->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  list->horizontalHeader()->setSectionsClickable(false);
  list->horizontalHeader()->setStretchLastSection(true);
  list->horizontalHeader()->setHighlightSections(false);
}

void PatchListPage::FillList() {
  // The search reports failure only through an empty list.
  const std::vector<PatchHeader> headers = ReadPatchHeaders(std::filesystem::path("."));
  list->setRowCount(static_cast<int>(headers.size()));
  for (int row = 0; row < static_cast<int>(headers.size()); ++row) {
    const PatchHeader& header = headers[static_cast<size_t>(row)];
    const std::array<std::pair<int, const std::string*>, 3> cells = {
        {{kNameColumn, &header.name}, {kAuthorColumn, &header.author}, {kVersionColumn, &header.version}}};
    for (const auto& [column, value] : cells) {
      auto* item = new QTableWidgetItem(QString::fromStdString(app.ToDisplay(*value)));
      item->setTextAlignment(kColumns[static_cast<size_t>(column)].alignment);
      list->setItem(row, column, item);
    }
  }
}

}  // namespace varnel
