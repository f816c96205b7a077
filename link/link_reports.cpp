// LinkProtocol's reports and the progress calls it forwards to the owner.
#include <cstdio>

#include "link/link_protocol.h"
#include "texts/code_page.h"

namespace varnel {

void LinkProtocol::Log(const char* text, LogColour colour) { owner.AppendLog(text, colour); }

void LinkProtocol::LogSystemReason(const std::string& reason) { Log(NarrowToCodePage(reason, app.CodePage()), kGrey); }

std::string LinkProtocol::StatusText(LinkStatus code) {
  char text[text::kTextCapacity + 1];
  std::snprintf(text, sizeof text, StatusMessage(code), code);
  return text;
}

void LinkProtocol::ReportLine(LinkStatus status, const char* unit, int location) {
  char line[text::kTextCapacity + 1];
  std::snprintf(line, sizeof line, "%s (%s:%d)", StatusText(status).c_str(), unit, location);
  Log(line, kRed);
}

LinkStatus LinkProtocol::ReportError(LinkStatus status, const char* unit, int location, StopRequest stop) {
  if (stop == StopRequest::Yes) RequestStop();
  ++failures;
  ReportLine(status, unit, location);
  return status;
}

LinkStatus LinkProtocol::ReportRetry(LinkStatus status, const char* unit, int location) {
  ReportLine(status, unit, location);
  return status;
}

void LinkProtocol::BeginProgress(const char* logText, const char* statusText, uint32_t total, uint32_t unit,
                                 LogColour colour) {
  owner.BeginProgress(logText, statusText, total, unit, colour);
}

void LinkProtocol::StepProgress(uint32_t done, uint32_t unit) { owner.StepProgress(done, unit); }

void LinkProtocol::EndProgress(const char* logText, LogColour colour) { owner.EndProgress(logText, colour); }

}  // namespace varnel
