#include "shell/reconnect_backoff.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace zelmo {
namespace {

using namespace std::chrono_literals;
using Wait = ReconnectBackoff::Wait;

// The waits of `count` steps in a row, in milliseconds.
std::vector<long long> Waits(ReconnectBackoff& backoff, int count) {
  std::vector<long long> waits;
  for (int i = 0; i < count; ++i) waits.push_back(backoff.Next().wait.count());
  return waits;
}

TEST(ReconnectBackoff, DoublesFromTwoSecondsUpToFiveMinutesAndCountsTheAttempts) {
  ReconnectBackoff backoff([] { return 0.5; });  // the middle: no jitter
  EXPECT_EQ(Waits(backoff, 11), (std::vector<long long>{2000, 4000, 8000, 16000, 32000, 64000,
                                                        128000, 256000, 300000, 300000, 300000}));
  // A long outage neither overflows the doubling nor passes the cap.
  for (int i = 0; i < 100; ++i) backoff.Next();
  ReconnectBackoff::Step step = backoff.Next();
  EXPECT_EQ(step.wait, 300000ms);
  EXPECT_EQ(step.attempt, 112);
}

TEST(ReconnectBackoff, JitterStaysWithinTwentyPercentEitherWay) {
  ReconnectBackoff lowest([] { return 0.0; });
  EXPECT_EQ(Waits(lowest, 3), (std::vector<long long>{1600, 3200, 6400}));
  ReconnectBackoff highest([] { return 0.9999999; });
  EXPECT_EQ(Waits(highest, 3), (std::vector<long long>{2400, 4800, 9600}));
  // A random source out of range is held to the bounds.
  ReconnectBackoff broken([] { return 7.0; });
  EXPECT_EQ(broken.Next().wait, 2400ms);

  std::mt19937 random(14);
  ReconnectBackoff jittered([&] { return std::uniform_real_distribution<double>()(random); });
  long long nominal = 2000;
  bool spread = false;
  for (int i = 0; i < 200; ++i) {
    const long long wait = jittered.Next().wait.count();
    EXPECT_GE(wait, nominal * 8 / 10) << "step " << i;
    EXPECT_LE(wait, nominal * 12 / 10) << "step " << i;
    spread = spread || wait != nominal;
    nominal = std::min(nominal * 2, 300000LL);
  }
  EXPECT_TRUE(spread) << "no jitter at all";
}

TEST(ReconnectBackoff, StartsAgainAfterALinkThatHeldForAMinute) {
  const ReconnectBackoff::Clock::time_point start{};
  ReconnectBackoff backoff([] { return 0.5; });
  Waits(backoff, 4);  // 2, 4, 8, 16 s: the fifth would wait 32 s

  // Welcomed, then dropped within the minute: a server that lets the bot in
  // and throws it out again is not tried every two seconds.
  backoff.Registered(start);
  backoff.Lost(start + 59s);
  EXPECT_EQ(backoff.Next().wait, 32000ms);
  // A loss without a welcome since changes nothing either.
  backoff.Lost(start + 10min);
  EXPECT_EQ(backoff.Next().wait, 64000ms);

  backoff.Registered(start + 20min);
  backoff.Lost(start + 21min);
  ReconnectBackoff::Step step = backoff.Next();
  EXPECT_EQ(step.wait, 2000ms);
  EXPECT_EQ(step.attempt, 1);

  // The operator's CONNECT or DISCONNECT starts afresh as well.
  Waits(backoff, 5);
  backoff.Reset();
  EXPECT_EQ(backoff.Next().attempt, 1);
}

}  // namespace
}  // namespace zelmo
