// MainWindow: caption and the instruction text.
#include "app/main_window.h"

#include <QLabel>
#include <QVBoxLayout>

namespace varnel {

MainWindow::MainWindow(const Application& application, QWidget* parent)
    : QDialog(parent), app(&application) {
  auto display = [this](uint16_t id) {
    return QString::fromStdString(app->ToDisplay(app->Text(id, text::kLongTextCapacity)));
  };
  setWindowTitle(display(text::kMainCaption));
  instruction = new QLabel(display(text::kWelcome), this);
  instruction->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(instruction);
}

}  // namespace varnel
