// TracedOwner: the link's log lines into the trace, every call on to the
// real owner.
#include "link/traced_owner.h"

#include <cstdio>
#include <string>

#include "texts/code_page.h"

namespace varnel {

TracedOwner::TracedOwner(LinkOwner& realOwner, LineTrace& lineTrace, const Application& application)
    : target(realOwner), trace(lineTrace), app(application) {}

void TracedOwner::AppendLog(const char* text, LogColour colour) {
  Record(text, colour);
  target.AppendLog(text, colour);
  ReportWriteFailure();
}

void TracedOwner::BeginProgress(const char* logText, const char* statusText, uint32_t total, uint32_t unit,
                                LogColour colour) {
  Record(logText, colour);
  target.BeginProgress(logText, statusText, total, unit, colour);
}

void TracedOwner::EndProgress(const char* logText, LogColour colour) {
  Record(logText, colour);
  target.EndProgress(logText, colour);
}

void TracedOwner::ShowWarning(uint16_t textId) {
  trace.Event(kTraceWarning, std::to_string(textId));
  target.ShowWarning(textId);
}

void TracedOwner::Record(const char* text, LogColour colour) {
  if (text == nullptr || !trace.IsOpen()) return;
  trace.LogLine(ToUtf8(text, app.CodePage()), colour);
}

void TracedOwner::ReportWriteFailure() {
  if (!trace.TakeWriteFailure()) return;
  target.AppendLog(app.TextWithName(text::kTraceOff, trace.Path()).c_str(), kGrey);
}

}  // namespace varnel
