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

// A lock lasts its minutes and no longer; a second flood while locked sends
// nothing more.
TEST(ChannelLocks, LockedUntilItsTimeThenUnlocked) {
  TestBot bot;
  Callbacks callbacks;
  ChannelLocks locks(bot, bot.port, callbacks);
  locks.Lock("#room", 2, "join flood", 0);
  locks.Lock("#ROOM", 2, "join flood", 1000);
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

}  // namespace
}  // namespace zelmo::testing
