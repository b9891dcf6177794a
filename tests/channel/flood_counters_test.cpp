#include "channel/flood_counters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelmo {
namespace {

// Events at the given times against "more than 3 in 10 s"; which of them
// were one too many.
std::vector<bool> RateHits(const std::vector<SteadyMillis>& times, int limit = 3) {
  RateWindow counter;
  std::vector<bool> over;
  for (SteadyMillis now : times) over.push_back(counter.Hit(now, limit, 10000));
  return over;
}

TEST(FloodCounters, RateWindowPassesABurstOfTheLimitAndAPaceOfIt) {
  using Hits = std::vector<bool>;
  EXPECT_EQ(RateHits({0, 0, 0}), (Hits{false, false, false}));
  EXPECT_EQ(RateHits({0, 1, 2, 3}), (Hits{false, false, false, true}));
  // The pace of the limit, one every 3.34 s, for ever.
  EXPECT_EQ(RateHits({0, 3334, 6668, 10002, 13336, 16670}), Hits(6, false));
  // An offence starts a new count: the next burst of four offends again.
  EXPECT_EQ(RateHits({0, 0, 0, 0, 1, 1, 1, 1}),
            (Hits{false, false, false, true, false, false, false, true}));
  // A pause of a window (its shares rounded up to whole ms) clears the count.
  EXPECT_EQ(RateHits({0, 0, 0, 10002, 10002, 10002}), Hits(6, false));
  EXPECT_EQ(RateHits({0, 0, 0, 0}, 0), Hits(4, false));
  RateWindow idle;
  idle.Hit(0, 3, 10000);
  EXPECT_FALSE(idle.Idle(3333));
  EXPECT_TRUE(idle.Idle(3334));
}

TEST(FloodCounters, FingerprintIgnoresCaseAndFormatting) {
  const std::uint64_t plain = TextFingerprint("buy now, 4 sale");
  for (const char* same : {"BUY NOW, 4 SALE",
                           "\x03"
                           "4buy now, 4 sale",
                           "\x03"
                           "04,12buy now, 4 sale",
                           "\x02"
                           "buy\x0F now,\x1D 4\x1F sale\x16",
                           "buy \x03now, 4 sale"}) {
    EXPECT_EQ(TextFingerprint(same), plain) << same;
  }
  for (const char* other : {"buy now, 4 sal",
                            "buy now,\x03"
                            "4 sale",
                            "\x03"
                            "123buy now, 4 sale",
                            "\x03"
                            "4,buy now, 4 sale"}) {
    EXPECT_NE(TextFingerprint(other), plain) << other;
  }
}

TEST(FloodCounters, RepeatsInARowWithinTheWindow) {
  struct Case {
    std::vector<std::pair<std::uint64_t, SteadyMillis>> said;
    std::vector<bool> offended;
  };
  const std::vector<Case> cases = {
      {{{1, 0}, {1, 100}, {1, 200}}, {false, false, true}},
      {{{1, 0}, {1, 100}, {2, 200}, {1, 300}, {1, 400}}, {false, false, false, false, false}},
      {{{1, 0}, {1, 60000}, {1, 120001}}, {false, false, false}},
      {{{1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}}, {false, false, true, false, false, true}},
  };
  for (const Case& c : cases) {
    RepeatCounter counter;
    std::vector<bool> offended;
    for (auto [fingerprint, now] : c.said)
      offended.push_back(counter.Said(fingerprint, now, 3, 60000));
    EXPECT_EQ(offended, c.offended);
  }
  RepeatCounter off;
  EXPECT_FALSE(off.Said(1, 0, 0, 60000));
}

TEST(FloodCounters, EscalationStepsUpAndStartsAgainAfterTheWindow) {
  Escalation steps;
  const SteadyMillis window = 600000;
  EXPECT_EQ(steps.Next(0, window), GuardStep::kWarn);
  EXPECT_EQ(steps.Next(1000, window), GuardStep::kKick);
  EXPECT_EQ(steps.Next(2000, window), GuardStep::kBan);
  EXPECT_EQ(steps.Next(3000, window), GuardStep::kBan);
  EXPECT_FALSE(steps.Idle(603000, window));
  EXPECT_EQ(steps.Next(603001, window), GuardStep::kWarn);
}

}  // namespace
}  // namespace zelmo
