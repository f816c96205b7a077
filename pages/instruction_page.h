// InstructionPage: the "Instruction" tab, one left-aligned text (the
// welcome and the advice before flashing), scrolled when it is longer than
// the page. GUI thread.
#pragma once

#include <QScrollArea>
#include <QString>

class QLabel;

namespace varnel {

class InstructionPage : public QScrollArea {
  Q_OBJECT

 public:
  explicit InstructionPage(QWidget* parent = nullptr);

  void SetText(const QString& text);
  QString Text() const;

 private:
  QLabel* label;
};

}  // namespace varnel
