#include <gtest/gtest.h>

#include "bot_on_server.h"

namespace zelmo::testing {
namespace {

class JoinFlood : public BotOnServer {
 protected:
  JoinFlood() { extra_config = "[Protect]\nJoinFlood=2\nJoinSeconds=60\nLockMinutes=1\n"; }
};

// Three joins in a row over a limit of two lock the channel: the next one
// is turned away by the server.
TEST_F(JoinFlood, AJoinFloodLocksTheChannel) {
  ConnectBot();
  BotJoins("#room");
  std::vector<std::unique_ptr<IrcTestClient>> joiners;
  for (const char* nick : {"j1", "j2", "j3"}) {
    joiners.push_back(Client(nick));
    joiners.back()->JoinChannel("#room");
  }
  ASSERT_TRUE(Await(*joiners.front(), "MODE #room +i").has_value());
  EXPECT_TRUE(Shows("-> #room: locked (+i) for 1m (join flood)"));
  EXPECT_TRUE(form->Locks().Locked("#ROOM"));
  auto late = Client("late");
  late->Send("JOIN #room");
  EXPECT_TRUE(Await(*late, " 473 late #room").has_value());
}

}  // namespace
}  // namespace zelmo::testing
