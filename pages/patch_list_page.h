// PatchListPage: the "Patcher DB" tab: a list in report view with the
// columns Name, Author and Version for the patch files of the working
// directory. GUI thread.
#pragma once

#include <QWidget>

#include "app/application.h"

class QTreeWidget;

namespace varnel {

class PatchListPage : public QWidget {
  Q_OBJECT

 public:
  explicit PatchListPage(const Application& app, QWidget* parent = nullptr);

 private:
  QTreeWidget* list;
};

}  // namespace varnel
