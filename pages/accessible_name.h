// Names for controls that screen readers and GUI test tools use: the
// object name a test looks a control up by, and the accessible name read
// out for it, taken from its caption ("File name:" reads "File name").
// Only for controls that show no text of their own, such as a line edit
// captioned by a label or frame; a button, a label or a frame reads out
// its own text, and a name set on it would hide that text. GUI thread.
#pragma once

#include <QString>

class QWidget;

namespace varnel {

// Sets both names of `control`; the caption loses a trailing colon and
// its '&' mnemonic markers.
void NameControl(QWidget* control, const char* objectName, const QString& caption);

}  // namespace varnel
