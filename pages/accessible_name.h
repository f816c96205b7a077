// Names for controls that screen readers and GUI test tools use: the
// object name a test looks a control up by, and the accessible name read
// out for it, taken from its caption ("File name:" reads "File name").
// GUI thread.
#pragma once

#include <QString>

class QWidget;

namespace varnel {

// Sets both names of `control`; the caption loses a trailing colon and
// its '&' mnemonic markers.
void NameControl(QWidget* control, const char* objectName, const QString& caption);

}  // namespace varnel
