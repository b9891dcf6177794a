#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "shell/base/spin_before_sleep.h"

namespace zelmo {
namespace {

using namespace std::chrono_literals;

TEST(SpinBeforeSleep, LooksLongerAfterSleepsAHandOverEndedSoonAndShorterAfterLongOnes) {
  SpinBeforeSleep spin(20us, 250us);
  EXPECT_EQ(spin.LookTime(), 20us);
  spin.Slept(5us, true);
  spin.Slept(5us, true);
  EXPECT_EQ(spin.LookTime(), 80us);
  spin.Slept(5us, false);  // a time-out or other work: no reason to look longer
  EXPECT_EQ(spin.LookTime(), 80us);
  for (int i = 0; i < 4; ++i) spin.Slept(5us, true);
  EXPECT_EQ(spin.LookTime(), 250us);
  spin.Slept(250us, true);
  EXPECT_EQ(spin.LookTime(), 125us);
  for (int i = 0; i < 6; ++i) spin.Slept(1s, false);
  EXPECT_EQ(spin.LookTime(), 20us);
}

TEST(SpinBeforeSleep, AFixedLookKeepsItsLengthAndEndsWhenTheHandOverArrives) {
  SpinBeforeSleep spin(50us);
  spin.Slept(1us, true);
  spin.Slept(1s, false);
  EXPECT_EQ(spin.LookTime(), 50us);
  EXPECT_FALSE(spin.Look([] { return false; }));
  std::atomic<bool> handed{false};
  SpinBeforeSleep patient(10s);
  std::thread other([&] { handed.store(true); });
  EXPECT_TRUE(patient.Look([&] { return handed.load(); }));
  other.join();
}

}  // namespace
}  // namespace zelmo
