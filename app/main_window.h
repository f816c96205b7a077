// MainWindow: the program's only top-level window, run modally by start-up.
// Runs on the GUI thread.
#pragma once

#include <QDialog>

#include "app/application.h"

class QLabel;

namespace varnel {

class MainWindow : public QDialog {
  Q_OBJECT

 public:
  explicit MainWindow(const Application& application, QWidget* parent = nullptr);

 private:
  const Application* app;
  QLabel* instruction = nullptr;
};

}  // namespace varnel
