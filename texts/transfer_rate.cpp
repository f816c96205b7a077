// RateMeter and the texts of a rate and a time left.
#include "texts/transfer_rate.h"

#include <cmath>
#include <cstdio>

namespace varnel {
namespace {

constexpr double kBytesPerKiB = 1024.0;
constexpr uint32_t kSecondsPerMinute = 60;

}  // namespace

void RateMeter::Start(uint32_t units, Clock::time_point now) {
  total = units;
  done = 0;
  samples.assign(1, Sample{now, 0});
  shown.reset();
}

bool RateMeter::RefreshDue(Clock::time_point now) {
  if (!PerSecond() || (shown && now - *shown < kRefresh)) return false;
  shown = now;
  return true;
}

void RateMeter::Step(uint32_t units, Clock::time_point now) {
  done = units;
  samples.push_back(Sample{now, units});
  // Keep one sample at or before the window's start, so the rate always
  // spans the whole window once the transfer has run that long.
  while (samples.size() > 2 && now - samples[1].at >= kWindow) samples.pop_front();
}

std::optional<double> RateMeter::PerSecond() const {
  if (samples.size() < 2) return std::nullopt;
  const Sample& first = samples.front();
  const Sample& last = samples.back();
  if (last.at - first.at < kSettle) return std::nullopt;
  const double seconds = std::chrono::duration<double>(last.at - first.at).count();
  // A meter restarted on a smaller count (a block sent again) counts no
  // negative progress.
  const double units = last.done >= first.done ? last.done - first.done : 0.0;
  return units / seconds;
}

std::optional<uint32_t> RateMeter::SecondsLeft() const {
  const std::optional<double> rate = PerSecond();
  if (!rate || *rate <= 0) return std::nullopt;
  const uint32_t rest = total > done ? total - done : 0;
  return static_cast<uint32_t>(std::ceil(rest / *rate));
}

std::string RateText(const Application& app, double bytesPerSecond) {
  char format[text::kTextCapacity + 1];
  app.LoadText(text::kRateFormat, format, sizeof format);
  char line[text::kTextCapacity + 1];
  std::snprintf(line, sizeof line, format, bytesPerSecond / kBytesPerKiB);
  return line;
}

std::string DurationText(uint32_t seconds) {
  char text[16];
  std::snprintf(text, sizeof text, "%u:%02u", seconds / kSecondsPerMinute, seconds % kSecondsPerMinute);
  return text;
}

std::string RateAndTimeLeftText(const Application& app, const RateMeter& meter) {
  const std::optional<double> rate = meter.PerSecond();
  if (!rate) return {};
  const std::string rateText = RateText(app, *rate);
  const std::optional<uint32_t> left = meter.SecondsLeft();
  if (!left) return rateText;
  char format[text::kTextCapacity + 1];
  app.LoadText(text::kRateAndTimeLeft, format, sizeof format);
  char line[text::kTextCapacity + 1];
  std::snprintf(line, sizeof line, format, rateText.c_str(), DurationText(*left).c_str());
  return line;
}

}  // namespace varnel
