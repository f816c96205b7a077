// The progress displays: the rate and time left of a transfer (the meter
// over a recent window of progress, and the texts shown), and one display
// over a job's transfers.
#include "texts/transfer_rate.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

#include "texts/code_page.h"
#include "texts/job_progress.h"

namespace varnel {
namespace {

using std::chrono::milliseconds;

TEST(TransferRateTest, TextsOfRatesAndDurations) {
  const Application app("Varnel", kUtf8CodePage, {});
  for (const auto& [bytesPerSecond, rate] : std::initializer_list<std::pair<double, const char*>>{
           {45978, "44.9 KiB/s"}, {11520, "11.2 KiB/s"}, {0, "0.0 KiB/s"}, {1048576, "1024.0 KiB/s"}}) {
    EXPECT_EQ(RateText(app, bytesPerSecond), rate);
  }
  for (const auto& [seconds, text] : std::initializer_list<std::pair<uint32_t, const char*>>{
           {0, "0:00"}, {52, "0:52"}, {60, "1:00"}, {725, "12:05"}, {3600, "60:00"}, {4000000, "66666:40"}}) {
    EXPECT_EQ(DurationText(seconds), text);
  }
}

// Steps of 4600 bytes every 100 ms: 46000 bytes a second.
void Feed(RateMeter& meter, RateMeter::Clock::time_point start, int fromStep, int toStep, uint32_t bytesEach,
          uint32_t doneBefore = 0) {
  for (int i = fromStep; i <= toStep; ++i) {
    meter.Step(doneBefore + static_cast<uint32_t>(i - fromStep + 1) * bytesEach, start + milliseconds(100 * i));
  }
}

TEST(TransferRateTest, TheMeterFollowsTheRecentProgress) {
  const Application app("Varnel", kUtf8CodePage, {});
  const RateMeter::Clock::time_point t0{};
  RateMeter meter;
  meter.Start(3000000, t0);
  EXPECT_EQ(RateAndTimeLeftText(app, meter), "") << "nothing to show yet";
  Feed(meter, t0, 1, 5, 4600);  // half a second: not settled
  EXPECT_FALSE(meter.PerSecond().has_value());
  Feed(meter, t0, 6, 50, 4600, 5 * 4600);  // five seconds in all
  ASSERT_TRUE(meter.PerSecond().has_value());
  EXPECT_NEAR(*meter.PerSecond(), 46000, 1);
  // 3000000 - 230000 bytes at 46000 a second: 60.2 s, rounded up.
  EXPECT_EQ(meter.SecondsLeft(), std::optional<uint32_t>(61));
  EXPECT_EQ(RateAndTimeLeftText(app, meter), "44.9 KiB/s, 1:01 left");

  // The line slows to a quarter: within the window the rate shows it.
  Feed(meter, t0, 51, 90, 1150, 50 * 4600);
  EXPECT_NEAR(*meter.PerSecond(), 11500, 1);

  // A stall: nothing moves for the whole window; no time left is promised.
  const uint32_t stalled = meter.Done();
  for (int i = 91; i <= 130; ++i) meter.Step(stalled, t0 + milliseconds(100 * i));
  EXPECT_EQ(*meter.PerSecond(), 0.0);
  EXPECT_FALSE(meter.SecondsLeft().has_value());
  EXPECT_EQ(RateAndTimeLeftText(app, meter), "0.0 KiB/s");

  // A display takes a new rate at most four times a second.
  std::vector<int> refreshedAt;
  for (int ms = 13000; ms < 14000; ms += 100) {
    meter.Step(stalled, t0 + milliseconds(ms));
    if (meter.RefreshDue(t0 + milliseconds(ms))) refreshedAt.push_back(ms);
  }
  EXPECT_EQ(refreshedAt, (std::vector<int>{13000, 13300, 13600, 13900}));

  // A new transfer starts afresh.
  meter.Start(1000, t0 + milliseconds(14100));
  EXPECT_FALSE(meter.PerSecond().has_value());
  EXPECT_FALSE(meter.RefreshDue(t0 + milliseconds(14100)));
  EXPECT_EQ(meter.Total(), 1000u);
}

// One progress display over a job's transfers: the first transfer starts
// it over the job's total, the others go on counting from where the ones
// before them ended, and none hides it while the job runs.
TEST(JobProgressTest, TransfersCountOnOneDisplayOverTheWholeJob) {
  JobProgress progress;
  bool fresh = false;
  EXPECT_EQ(progress.Begin(100, &fresh), 100u);  // no job: as it is
  EXPECT_TRUE(fresh);
  EXPECT_EQ(progress.Step(40), 40u);
  EXPECT_TRUE(progress.Hides());

  progress.Start(300);
  EXPECT_EQ(progress.Begin(100, &fresh), 300u);
  EXPECT_TRUE(fresh);
  EXPECT_EQ(progress.Step(60), 60u);
  EXPECT_EQ(progress.Step(100), 100u);
  EXPECT_FALSE(progress.Hides());
  EXPECT_EQ(progress.Begin(200, &fresh), 300u);
  EXPECT_FALSE(fresh);
  EXPECT_EQ(progress.Step(50), 150u);
  EXPECT_EQ(progress.Step(200), 300u);
  progress.Stop();
  EXPECT_TRUE(progress.Hides());
  EXPECT_EQ(progress.Begin(10, &fresh), 10u);
  EXPECT_TRUE(fresh);
}

}  // namespace
}  // namespace varnel
