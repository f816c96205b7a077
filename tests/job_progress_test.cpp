// One progress display over a job's transfers: the first transfer starts
// it over the job's total, the others go on counting from where the ones
// before them ended, and none hides it while the job runs.
#include <gtest/gtest.h>

#include "texts/job_progress.h"

namespace varnel {
namespace {

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
