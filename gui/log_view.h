// LogView: the main window's log, one coloured line per entry, kept
// scrolled to the newest line. Built for long sessions: lines go in at the
// end through a text cursor without undo, and only the visible part is
// laid out. GUI thread.
#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <QStringList>

#include "texts/log_colour.h"

namespace varnel {

// A log colour (0x00BBGGRR) as a Qt colour.
QColor ToQColor(LogColour colour);

class LogView : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit LogView(QWidget* parent = nullptr);

  // Adds `line` at the end, all of it in `colour`, and scrolls so that it
  // is in view. A CR LF (or LF) in the line starts a new line of the view.
  void AppendLine(const QString& line, const QColor& colour);
  // The lines as shown, time stamps included, without their line ends.
  QStringList Lines() const;
};

}  // namespace varnel
