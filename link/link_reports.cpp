// LinkLine's reports and the progress calls it forwards to the owner.
#include <cstdio>

#include "link/link_line.h"
#include "texts/code_page.h"

namespace varnel {

void LinkLine::Log(const char* text, LogColour colour) { owner.AppendLog(text, colour); }

void LinkLine::LogSystemReason(const std::string& reason) { Log(NarrowToCodePage(reason, app.CodePage()), kGrey); }

std::string LinkLine::StatusText(LinkStatus code) {
  char text[text::kTextCapacity + 1];
  std::snprintf(text, sizeof text, StatusMessage(code), code);
  return text;
}

void LinkLine::ReportLine(LinkStatus status, const char* unit, int location) {
  char line[text::kTextCapacity + 1];
  std::snprintf(line, sizeof line, "%s (%s:%d)", StatusText(status).c_str(), unit, location);
  Log(line, kRed);
}

LinkStatus LinkLine::ReportError(LinkStatus status, const char* unit, int location, StopRequest stop) {
  if (stop == StopRequest::Yes) RequestStop();
  ++failures;
  ReportLine(status, unit, location);
  return status;
}

LinkStatus LinkLine::ReportRetry(LinkStatus status, const char* unit, int location) {
  ReportLine(status, unit, location);
  return status;
}

void LinkLine::BeginProgress(const char* logText, const char* statusText, uint32_t total, uint32_t unit,
                             LogColour colour) {
  owner.BeginProgress(logText, statusText, total, unit, colour);
}

void LinkLine::StepProgress(uint32_t done, uint32_t unit) { owner.StepProgress(done, unit); }

void LinkLine::EndProgress(const char* logText, LogColour colour) { owner.EndProgress(logText, colour); }

}  // namespace varnel
