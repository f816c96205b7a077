// The job's own log lines.
#include "backup/job_log.h"

#include <algorithm>
#include <cstdio>

#include "texts/local_time.h"
#include "texts/transfer_rate.h"

namespace varnel {

std::string JobDateTime(std::time_t when) {
  const std::tm local = LocalTime(when);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

void LogJobAverage(const Application& app, LinkOwner& log, std::chrono::steady_clock::time_point started,
                   uint64_t bytes) {
  using std::chrono::duration;
  const double seconds = std::max(duration<double>(std::chrono::steady_clock::now() - started).count(), 0.001);
  char line[text::kTextCapacity + 1];
  std::snprintf(line, sizeof line, app.Text(text::kAllParts).c_str(),
                DurationText(static_cast<uint32_t>(seconds + 0.5)).c_str(),
                RateText(app, static_cast<double>(bytes) / seconds).c_str());
  log.AppendLog(line, kGrey);
}

}  // namespace varnel
