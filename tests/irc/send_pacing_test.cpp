#include "irc/protocol/send_pacing.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "irc/session/keepalive.h"

namespace zelmo {
namespace {

using std::chrono::milliseconds;
using Clock = SendPacing::Clock;

const Clock::time_point kStart = Clock::time_point(std::chrono::hours(1));

Clock::time_point At(int ms) {
  return kStart + milliseconds(ms);
}

// Every line due at that moment.
std::vector<std::string> TakeAll(SendPacing& pacing, Clock::time_point now) {
  std::vector<std::string> out;
  while (auto line = pacing.Take(now)) out.push_back(*line);
  return out;
}

using Lines = std::vector<std::string>;

TEST(SendPacing, ABurstGoesAtOnceThenOneLinePerInterval) {
  SendPacing pacing(3, milliseconds(1000));
  for (const char* line : {"a", "b", "c", "d", "e"}) pacing.Push(line, SendKind::Paced);
  EXPECT_FALSE(pacing.SendsAtOnce(At(0)));
  EXPECT_EQ(TakeAll(pacing, At(0)), (Lines{"a", "b", "c"}));
  EXPECT_EQ(pacing.NextDue(), At(1000));
  EXPECT_EQ(TakeAll(pacing, At(999)), Lines{});
  EXPECT_EQ(TakeAll(pacing, At(1000)), Lines{"d"});
  EXPECT_EQ(TakeAll(pacing, At(1500)), Lines{});
  EXPECT_EQ(TakeAll(pacing, At(2000)), Lines{"e"});
  EXPECT_EQ(pacing.NextDue(), std::nullopt);
  // A quiet spell refills the bucket, but never beyond the burst.
  for (const char* line : {"f", "g", "h", "i"}) pacing.Push(line, SendKind::Paced);
  EXPECT_EQ(TakeAll(pacing, At(60000)), (Lines{"f", "g", "h"}));
  EXPECT_EQ(pacing.NextDue(), At(61000));
}

TEST(SendPacing, UrgentLinesOvertakeTheQueueAndNeedNoToken) {
  SendPacing pacing(1, milliseconds(1000));
  pacing.Push("PRIVMSG a :1", SendKind::Paced);
  pacing.Push("PRIVMSG a :2", SendKind::Paced);
  pacing.Push("NOTICE a :\001VERSION x\001", SendKind::CtcpReply);
  EXPECT_EQ(TakeAll(pacing, At(0)), Lines{"PRIVMSG a :1"});
  pacing.Push("PONG :s", SendKind::Urgent);
  EXPECT_EQ(pacing.NextDue(), Clock::time_point::min());
  EXPECT_EQ(TakeAll(pacing, At(10)), Lines{"PONG :s"});
  // The paced lines keep their order, and the PONG cost them no time.
  EXPECT_EQ(TakeAll(pacing, At(1000)), Lines{"PRIVMSG a :2"});
  EXPECT_EQ(TakeAll(pacing, At(2000)), Lines{"NOTICE a :\001VERSION x\001"});
}

TEST(SendPacing, CtcpRepliesGiveWayToTheOtherLines) {
  SendPacing pacing(1, milliseconds(1000));
  pacing.Push("NOTICE a :\001VERSION x\001", SendKind::CtcpReply);
  pacing.Push("NOTICE b :\001VERSION x\001", SendKind::CtcpReply);
  EXPECT_EQ(TakeAll(pacing, At(0)), Lines{"NOTICE a :\001VERSION x\001"});
  pacing.Push("PRIVMSG owner :answer", SendKind::Paced);
  EXPECT_EQ(TakeAll(pacing, At(1000)), Lines{"PRIVMSG owner :answer"});
  // A pause of the other lines does not hold the CTCP replies back.
  pacing.Delay(milliseconds(5000), At(1000));
  pacing.Push("PRIVMSG owner :later", SendKind::Paced);
  EXPECT_EQ(pacing.NextDue(), At(2000));
  EXPECT_EQ(TakeAll(pacing, At(2000)), Lines{"NOTICE b :\001VERSION x\001"});
  EXPECT_EQ(TakeAll(pacing, At(5999)), Lines{});
  EXPECT_EQ(TakeAll(pacing, At(6000)), Lines{"PRIVMSG owner :later"});
}

TEST(SendPacing, WithoutAnIntervalOnlyAHeldBackLineQueues) {
  SendPacing pacing(5, milliseconds(0));
  EXPECT_TRUE(pacing.SendsAtOnce(At(0)));
  pacing.Delay(milliseconds(1500), At(0));
  EXPECT_FALSE(pacing.SendsAtOnce(At(1499)));
  EXPECT_TRUE(pacing.SendsAtOnce(At(1500)));
  pacing.Push("x", SendKind::Paced);
  EXPECT_FALSE(pacing.SendsAtOnce(At(1500)));
  EXPECT_EQ(TakeAll(pacing, At(1500)), Lines{"x"});
}

TEST(SendPacing, ADelayHoldsOnlyTheLinesBehindIt) {
  SendPacing pacing(2, milliseconds(1000));
  pacing.Push("one", SendKind::Paced);
  pacing.Push("two", SendKind::Paced);
  pacing.Push("three", SendKind::Paced);
  pacing.Delay(milliseconds(1500), At(0));
  pacing.Push("four", SendKind::Paced);
  EXPECT_EQ(TakeAll(pacing, At(0)), (Lines{"one", "two"}));
  // "three" goes at the pace, late; the pause counts from when it went.
  EXPECT_EQ(TakeAll(pacing, At(1200)), Lines{"three"});
  EXPECT_EQ(pacing.NextDue(), At(2700));
  pacing.Push("PONG :s", SendKind::Urgent);
  EXPECT_EQ(TakeAll(pacing, At(2000)), Lines{"PONG :s"});
  EXPECT_EQ(TakeAll(pacing, At(2699)), Lines{});
  EXPECT_EQ(TakeAll(pacing, At(2700)), Lines{"four"});
}

TEST(SendPacing, AFullQueueDropsTheOldestCtcpRepliesFirstAndSaysSoOnce) {
  SendPacing pacing(1, milliseconds(1000));
  pacing.Push("first", SendKind::Paced);
  for (std::size_t n = 1; n + 2 < SendPacing::kMaxLines; n += 2) {
    pacing.Push("ctcp " + std::to_string(n), SendKind::CtcpReply);
    pacing.Push("line " + std::to_string(n + 1), SendKind::Paced);
  }
  EXPECT_FALSE(pacing.Push("last", SendKind::Paced));
  ASSERT_EQ(pacing.Lines(), SendPacing::kMaxLines);
  EXPECT_TRUE(pacing.Push("new 1", SendKind::Paced));
  EXPECT_FALSE(pacing.Push("new 2", SendKind::Paced));
  EXPECT_EQ(pacing.Lines(), SendPacing::kMaxLines);
  const auto sent = TakeAll(pacing, At(0));
  EXPECT_EQ(sent, Lines{"first"});
  EXPECT_EQ(TakeAll(pacing, At(1000)), Lines{"line 2"});  // "ctcp 1" is gone
  EXPECT_EQ(TakeAll(pacing, At(2000)), Lines{"line 4"});  // and "ctcp 3"
  // The CTCP replies left go once the other lines have gone.
  for (int n = 3; n <= 502; ++n) EXPECT_NE(pacing.Take(At(1000 * n))->substr(0, 4), "ctcp");
  EXPECT_EQ(TakeAll(pacing, At(503000)), Lines{"ctcp 5"});
}

TEST(SendPacing, AQueueWithoutCtcpRepliesDropsItsOldestLinesByBytes) {
  SendPacing pacing(1, milliseconds(1000));
  auto sized = [](int n) {
    std::string line = std::to_string(n);
    line.resize(512, 'x');
    return line;
  };
  // 512 lines of 512 bytes fill 256 KiB; the 513th pushes the first out.
  for (int n = 0; n < 512; ++n) EXPECT_FALSE(pacing.Push(sized(n), SendKind::Paced));
  EXPECT_TRUE(pacing.Push(sized(512), SendKind::Paced));
  EXPECT_EQ(pacing.Lines(), 512U);
  EXPECT_EQ(TakeAll(pacing, At(0)), Lines{sized(1)});
  // Once the queue has emptied, the next overflow is told again.
  for (int n = 1; n <= 511; ++n) EXPECT_TRUE(pacing.Take(At(1000 * n)));
  EXPECT_EQ(pacing.Lines(), 0U);
  bool told = false;
  for (int n = 0; n < 513; ++n) told = pacing.Push(sized(n), SendKind::Paced) || told;
  EXPECT_TRUE(told);
}

// One step of a scripted queue: a push, a pause asked for, or the lines
// taken at a moment (joined by "|").
struct Step {
  enum { Push, Pause, Expect } what;
  std::string text;  // Push: the line; Expect: the lines
  SendKind kind = SendKind::Paced;
  std::string requester;
  int at_ms = 0;  // Pause, Expect
};

Step Reply(std::string line, std::string requester) {
  return {Step::Push, std::move(line), SendKind::Paced, std::move(requester), 0};
}
Step Own(std::string line, SendKind kind = SendKind::Paced) {
  return {Step::Push, std::move(line), kind, {}, 0};
}
Step PauseOf(int ms, std::string requester, int at_ms) {
  return {Step::Pause, std::to_string(ms), SendKind::Paced, std::move(requester), at_ms};
}
Step Sent(int at_ms, std::string lines) {
  return {Step::Expect, std::move(lines), SendKind::Paced, {}, at_ms};
}

struct Script {
  const char* name;
  int burst;
  int interval_ms;
  std::vector<Step> steps;
};

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += (out.empty() ? "" : "|") + line;
  return out;
}

TEST(SendPacing, RequestersTakeTurnsBehindTheBotsOwnLines) {
  const std::vector<Script> scripts = {
      {"round robin, in order within each requester",
       1,
       1000,
       {Reply("a1", "alice"), Reply("a2", "alice"), Reply("a3", "alice"), Reply("b1", "bob"),
        Reply("b2", "bob"), Reply("c1", "carol"), Sent(0, "a1"), Sent(1000, "b1"), Sent(2000, "c1"),
        Reply("c2", "carol"), Sent(3000, "a2"), Sent(4000, "b2"), Sent(5000, "c2"),
        Sent(6000, "a3"), Sent(7000, "")}},
      {"a pause holds only its requester's lines",
       5,
       100,
       {Reply("h1", "alice"), PauseOf(1500, "alice", 0), Reply("h2", "alice"), Reply("h3", "alice"),
        Reply("b1", "bob"), Sent(0, "h1|b1"), Reply("b2", "bob"), Sent(100, "b2"), Sent(1499, ""),
        Sent(1500, "h2|h3")}},
      {"a pause asked with nothing queued counts from then",
       5,
       0,
       {PauseOf(1500, "alice", 0), Reply("h2", "alice"), Reply("b1", "bob"), Sent(0, "b1"),
        Sent(1499, ""), Sent(1500, "h2")}},
      {"moderation and own lines go first, CTCP replies last",
       1,
       1000,
       {Reply("r1", "alice"), Reply("r2", "alice"),
        Own("NOTICE x :\001VERSION v\001", SendKind::CtcpReply),
        Own("MODE #a +o alice", SendKind::Priority), Own("JOIN #b"),
        Own("KICK #a bob :no", SendKind::Priority), Sent(0, "MODE #a +o alice"),
        Sent(1000, "JOIN #b"), Sent(2000, "KICK #a bob :no"), Sent(3000, "r1"), Sent(4000, "r2"),
        Sent(5000, "NOTICE x :\001VERSION v\001")}},
      {"urgent lines overtake all, need no token, and only the newest few stay",
       1,
       1000,
       {Reply("r1", "alice"), Reply("r2", "alice"), Sent(0, "r1"), Own("PONG :1", SendKind::Urgent),
        Own("PONG :2", SendKind::Urgent), Own("PONG :3", SendKind::Urgent),
        Own("PONG :4", SendKind::Urgent), Own("PONG :5", SendKind::Urgent),
        Sent(10, "PONG :2|PONG :3|PONG :4|PONG :5"), Sent(1000, "r2")}},
  };
  for (const Script& script : scripts) {
    SCOPED_TRACE(script.name);
    SendPacing pacing(script.burst, milliseconds(script.interval_ms));
    for (const Step& step : script.steps) {
      if (step.what == Step::Push) {
        pacing.Push(step.text, step.kind, step.requester);
      } else if (step.what == Step::Pause) {
        pacing.Delay(milliseconds(std::stoi(step.text)), At(step.at_ms), step.requester);
      } else {
        EXPECT_EQ(Joined(TakeAll(pacing, At(step.at_ms))), step.text) << "at " << step.at_ms;
      }
    }
  }
}

TEST(SendPacing, UnpacedLinesGoAtOnceUnlessTheirOwnRequesterIsHeld) {
  SendPacing pacing(5, milliseconds(0));
  pacing.Delay(milliseconds(1500), At(0), "alice");
  EXPECT_FALSE(pacing.SendsAtOnce(At(10), SendKind::Paced, "alice"));
  EXPECT_TRUE(pacing.SendsAtOnce(At(10), SendKind::Paced, "bob"));
  EXPECT_TRUE(pacing.SendsAtOnce(At(10), SendKind::Priority, "alice"));
  EXPECT_TRUE(pacing.SendsAtOnce(At(1500), SendKind::Paced, "alice"));
}

TEST(SendPacing, AFullQueueTakesFromWhoeverHasTheMostQueuedAndTellsEachOncePerRun) {
  SendPacing pacing(1, milliseconds(1000));
  pacing.Push("own", SendKind::Paced);
  for (int n = 0; n < 600; ++n) pacing.Push("a" + std::to_string(n), SendKind::Paced, "alice");
  for (int n = 0; n < 399; ++n) pacing.Push("b" + std::to_string(n), SendKind::Paced, "bob");
  ASSERT_EQ(pacing.Lines(), SendPacing::kMaxLines);
  const SendDrops first = pacing.Push("c0", SendKind::Paced, "carol");
  EXPECT_FALSE(first.ctcp_replies);
  EXPECT_FALSE(first.own_lines);
  EXPECT_EQ(first.requesters, std::vector<std::string>{"alice"});
  EXPECT_FALSE(pacing.Push("c1", SendKind::Paced, "carol"));
  // CTCP replies still go first: the new one makes room for nothing.
  EXPECT_TRUE(pacing.Push("ctcp", SendKind::CtcpReply).ctcp_replies);
  EXPECT_EQ(pacing.Lines(), SendPacing::kMaxLines);
  EXPECT_EQ(Joined(TakeAll(pacing, At(0))), "own");
  EXPECT_EQ(Joined(TakeAll(pacing, At(1000))), "a2");
  EXPECT_EQ(Joined(TakeAll(pacing, At(2000))), "b0");
  EXPECT_EQ(Joined(TakeAll(pacing, At(3000))), "c0");
  // Of requesters as big, the one whose turn is last loses: the newcomer.
  SendPacing even(1, milliseconds(1000));
  for (std::size_t n = 0; n < SendPacing::kMaxLines; ++n) {
    even.Push("l" + std::to_string(n), SendKind::Paced, "host" + std::to_string(n));
  }
  EXPECT_EQ(even.Push("late", SendKind::Paced, "late.host").requesters,
            std::vector<std::string>{"late.host"});
  EXPECT_EQ(Joined(TakeAll(even, At(0))), "l0");
}

TEST(SendPacing, UrgentLinesCountInTheBytes) {
  SendPacing pacing(1, milliseconds(1000));
  const std::string line(512, 'x');
  for (std::size_t n = 0; n < SendPacing::kMaxBytes / line.size(); ++n) {
    pacing.Push(line, SendKind::Paced);
  }
  ASSERT_EQ(pacing.Bytes(), SendPacing::kMaxBytes);
  EXPECT_TRUE(pacing.Push("PONG :" + line, SendKind::Urgent).own_lines);
  EXPECT_LE(pacing.Bytes(), SendPacing::kMaxBytes);
  EXPECT_EQ(Joined(TakeAll(pacing, At(0))), "PONG :" + line + "|" + line);
}

TEST(Keepalive, PingsAfterASilenceAndCountsTheLinkLostAfterAnother) {
  Keepalive keepalive(milliseconds(120000), At(0));
  EXPECT_EQ(keepalive.Check(At(119999)), Keepalive::Step::Wait);
  keepalive.Heard(At(100000));
  EXPECT_EQ(keepalive.NextCheck(), At(220000));
  EXPECT_EQ(keepalive.Check(At(220000)), Keepalive::Step::SendPing);
  EXPECT_EQ(keepalive.Check(At(300000)), Keepalive::Step::Wait);
  EXPECT_EQ(keepalive.NextCheck(), At(340000));
  EXPECT_EQ(keepalive.Check(At(340000)), Keepalive::Step::LinkLost);
  // An answer, however late, makes the link live again.
  keepalive.Heard(At(340001));
  EXPECT_EQ(keepalive.Check(At(340002)), Keepalive::Step::Wait);
  // Bytes heard before the PING went are no answer to it.
  EXPECT_EQ(keepalive.Check(At(460001)), Keepalive::Step::SendPing);
  keepalive.Heard(At(460000));
  EXPECT_EQ(keepalive.Check(At(580001)), Keepalive::Step::LinkLost);
}

TEST(Keepalive, AnIntervalOfZeroNeverPings) {
  Keepalive keepalive(milliseconds(0), At(0));
  EXPECT_EQ(keepalive.Check(At(100000000)), Keepalive::Step::Wait);
  EXPECT_EQ(keepalive.NextCheck(), std::nullopt);
}

}  // namespace
}  // namespace zelmo
