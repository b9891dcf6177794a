#include "irc/send_pacing.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "irc/keepalive.h"

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
