// SerialLink's reports: status messages and the red report lines.
#include <cstdio>

#include "link/serial_link.h"

#include "texts/code_page.h"

namespace varnel {

void SerialLink::Log(const char* text, LogColour colour) {
  if (owner != nullptr) owner->AppendLog(text, colour);
}

void SerialLink::LogSystemReason(const std::string& reason) {
  Log(NarrowToCodePage(reason, app->CodePage()), kGrey);
}

const char* SerialLink::StatusText(LinkStatus code) {
  std::snprintf(errorText.get(), kErrorTextBytes, StatusMessage(code), code);
  return errorText.get();
}

void SerialLink::ReportStatus(const char* unit, int location) {
  char line[text::kTextCapacity + 1];
  std::snprintf(line, sizeof line, "%s (%s:%d)", StatusText(status), unit, location);
  Log(line, kRed);
  if (owner != nullptr) owner->OnReport(unit, location, status);
}

LinkStatus SerialLink::ReportError(const char* unit, int location, Stop stop) {
  if (stop == Stop::Yes) {
    stopRequested.store(true);
    closeOnExit.store(true);
  }
  ReportStatus(unit, location);
  return status;
}

}  // namespace varnel
