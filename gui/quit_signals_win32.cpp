// QuitSignals on Windows: a window program gets no console signals; it is
// asked to end through its window (WM_CLOSE), which closeEvent handles.
#include "gui/quit_signals.h"

namespace varnel {

QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {}

QuitSignals::~QuitSignals() = default;

}  // namespace varnel
