// The patch list page.
#include "pages/patch_list_page.h"

#include <QTreeWidget>
#include <QVBoxLayout>

namespace varnel {

PatchListPage::PatchListPage(const Application& app, QWidget* parent)
    : QWidget(parent), list(new QTreeWidget) {
  QStringList columns;
  for (uint16_t id : {text::kNameColumn, text::kAuthorColumn, text::kVersionColumn}) {
    columns << QString::fromStdString(app.ToDisplay(app.Text(id)));
  }
  list->setHeaderLabels(columns);
  list->setRootIsDecorated(false);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(list);
}

}  // namespace varnel
