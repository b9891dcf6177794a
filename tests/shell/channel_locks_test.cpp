#include <gtest/gtest.h>

#include "shell/channel_locks.h"
#include "support/test_bot.h"

namespace zelmo::testing {
namespace {

struct Callbacks : FormCallbacks {
  void RunAtTopOfUiThread(const std::function<void()>& action) override { action(); }
  void ShowError(const std::string&) override {}
  bool Closing() const override { return false; }
};

ChannelSettings LockFor(int minutes) {
  ChannelSettings settings;
  settings.join_flood = 5;
  settings.join_seconds = 10;
  settings.lock_minutes = minutes;
  return settings;
}

// A lock lasts its minutes and no longer; a second flood while locked sends
// nothing more.
TEST(ChannelLocks, LockedUntilItsTimeThenUnlocked) {
  TestBot bot;
  Callbacks callbacks;
  ChannelLocks locks(bot, bot.port, callbacks);
  locks.Lock("#room", LockFor(2), "join flood", 0);
  locks.Lock("#ROOM", LockFor(2), "join flood", 1000);
  locks.Unlock(119999);
  EXPECT_EQ(bot.TakeSent(), std::vector<std::string>{"MODE #room +i"});
  locks.Unlock(120000);
  EXPECT_EQ(bot.TakeSent(), std::vector<std::string>{"MODE #room -i"});
  EXPECT_FALSE(locks.Locked("#room"));
  const std::vector<std::string> shown = bot.Shown();
  EXPECT_NE(std::find(shown.begin(), shown.end(), "-> #room: locked (+i) for 2m (join flood)"),
            shown.end());
  EXPECT_EQ(shown.back(), "-> #room: unlocked");
}

// A server with a join throttle is throttled to the channel's own limit
// instead of being closed.
TEST(ChannelLocks, TheServersJoinThrottleWhereItHasOne) {
  TestBot bot;
  bot.Irc().Features.Take("ZelmoBot CHANMODES=b,k,jl,imnt :are supported");
  Callbacks callbacks;
  ChannelLocks locks(bot, bot.port, callbacks);
  locks.Lock("#room", LockFor(1), "join flood", 0);
  locks.Unlock(60000);
  EXPECT_EQ(bot.TakeSent(), (std::vector<std::string>{"MODE #room +j 5:10", "MODE #room -j"}));
  const std::vector<std::string> shown = bot.Shown();
  EXPECT_NE(std::find(shown.begin(), shown.end(), "-> #room: locked (+j 5:10) for 1m (join flood)"),
            shown.end());
}

}  // namespace
}  // namespace zelmo::testing
