// PatchListPage: the "Patcher DB" tab: the patch files (".cpf", any letter
// case) of the working directory, read once when the page is made, listed
// in report view with their name, author and version in the order the
// directory search returns them; and the "Button1" button, which asks the
// main window to log "AAAAAAAA". GUI thread.
#pragma once

#include <QWidget>

#include <string>
#include <vector>

#include "texts/application.h"
#include "texts/log_colour.h"

class QPushButton;
class QTableWidget;

namespace varnel {

class PatchListPage : public QWidget {
  Q_OBJECT

 public:
  explicit PatchListPage(const Application& app, QWidget* parent = nullptr);

  // The page's controls in keyboard order.
  std::vector<QWidget*> TabOrder() const;

 signals:
  // A line for the main window's log.
  void LogRequested(const std::string& text, LogColour colour);

 private:
  void SetUpList();
  void FillList();

  const Application& app;
  QTableWidget* list;
  QPushButton* button;
};

}  // namespace varnel
