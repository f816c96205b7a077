// The log view.
#include "gui/log_view.h"

#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace varnel {
namespace {

constexpr int kRedShift = 0;
constexpr int kGreenShift = 8;
constexpr int kBlueShift = 16;
constexpr LogColour kChannelMask = 0xFF;

int Channel(LogColour colour, int shift) { return static_cast<int>((colour >> shift) & kChannelMask); }

}  // namespace

QColor ToQColor(LogColour colour) {
  return QColor(Channel(colour, kRedShift), Channel(colour, kGreenShift), Channel(colour, kBlueShift));
}

LogView::LogView(QWidget* parent) : QPlainTextEdit(parent) {
  // Nothing depends on what the user might type, but a log that can't be
  // edited by accident is what people expect; selecting and copying work.
  setReadOnly(true);
  setUndoRedoEnabled(false);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void LogView::AppendLine(const QString& line, const QColor& colour) {
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  QTextCharFormat format;
  format.setForeground(colour);
  cursor.insertText(line, format);
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->maximum());
}

QStringList LogView::Lines() const {
  // Each line ends with a line break, so the last block is the empty one
  // after it.
  QStringList lines;
  const QTextDocument* text = document();
  for (QTextBlock block = text->begin(); block.isValid() && block != text->lastBlock(); block = block.next()) {
    lines << block.text();
  }
  return lines;
}

}  // namespace varnel
