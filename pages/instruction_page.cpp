// The instruction page.
#include "pages/instruction_page.h"

#include <QLabel>

namespace varnel {

InstructionPage::InstructionPage(QWidget* parent) : QScrollArea(parent), label(new QLabel) {
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(true);
  setWidget(label);
  setWidgetResizable(true);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void InstructionPage::SetText(const QString& text) { label->setText(text); }

QString InstructionPage::Text() const { return label->text(); }

}  // namespace varnel
