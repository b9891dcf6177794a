#include <gtest/gtest.h>

#include <vector>

#include "shell/base/interval_timer.h"

namespace zelmo {
namespace {

// Records how the timer drives its clock: each entry is a period started
// anew, 0 a stop.
class ClockLog : public IntervalTimer {
 public:
  std::vector<int> schedules;

 protected:
  void Schedule(int period_ms) override { schedules.push_back(period_ms); }
};

TEST(IntervalTimer, ANegativeIntervalNeverTicksAndEnablingTwiceRestartsNothing) {
  ClockLog timer;
  EXPECT_FALSE(timer.Enabled());
  timer.SetInterval(-5);
  EXPECT_TRUE(timer.schedules.empty());  // disabled: the clock is left alone
  timer.SetEnabled(true);
  timer.SetEnabled(true);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.schedules, std::vector<int>{0});
}

TEST(IntervalTimer, StartsWithASecondAndANewIntervalStartsTheRunningPeriodAnew) {
  ClockLog timer;
  timer.SetEnabled(true);
  timer.SetInterval(20);
  timer.SetInterval(20);
  timer.SetEnabled(false);
  timer.SetInterval(30);
  timer.SetEnabled(true);
  EXPECT_EQ(timer.schedules, (std::vector<int>{1000, 20, 20, 0, 30}));
}

}  // namespace
}  // namespace zelmo
