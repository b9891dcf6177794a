#include <gtest/gtest.h>

#include <thread>

#include "bot_on_server.h"

namespace zelmo::testing {
namespace {

// The defences of a channel, on a real server: one user's offences step up
// from a warning to a kick to a ban; the channel's operator is never counted.
class FloodDefence : public BotOnServer {
 protected:
  FloodDefence() {
    extra_config =
        "[Channel #room]\nFloodLines=3\nFloodSeconds=6\nRepeats=3\nHighlights=2\nCycleJoins=2\n"
        "NickFlood=2\nKickOnCtcp=1\n";
  }
  // The flood window is wide enough for a busy server that spaces a client's
  // burst of lines out; a pause longer than it lets the counts start afresh.
  void Quiet() { std::this_thread::sleep_for(std::chrono::milliseconds(6500)); }
};

TEST_F(FloodDefence, AFloodARepeatAndAMassHighlightStepUpToABan) {
  ConnectBot();
  BotJoins("#room");
  auto bob = Client("bob");
  auto carol = Client("carol");
  bob->JoinChannel("#room");
  carol->JoinChannel("#room");
  for (const char* text : {"one", "two", "three", "four"})
    bob->Send(std::string("PRIVMSG #room :") + text);
  ASSERT_TRUE(Await(*bob, "NOTICE bob :Please slow down in #room (flood)").has_value());
  EXPECT_TRUE(Shows("-> #room: warned bob (flood: 4 lines in 6s)"));
  Quiet();
  for (int i = 0; i < 3; ++i) bob->Send("PRIVMSG #room :Buy now");
  ASSERT_TRUE(Await(*bob, "KICK #room bob :repeat").has_value());
  EXPECT_TRUE(Shows("-> #room: kicked bob (repeat)"));
  bob->JoinChannel("#room");
  Quiet();
  bob->Send("PRIVMSG #room :ZelmoBot carol look here");
  ASSERT_TRUE(Await(*bob, "KICK #room bob :mass highlight").has_value());
  EXPECT_TRUE(Shows("-> #room: banned bob!*@* for 1h (mass highlight)"));
  ASSERT_NE(form->Bans()->Find("#room", "bob!*@*"), nullptr);
  // The bot, first in, is the operator: carol is opped by hand and never counted.
  form->IRC.Mode("#room", "+o", "carol");
  ASSERT_TRUE(Await(*carol, "MODE #room +o carol").has_value());
  for (int i = 0; i < 6; ++i) carol->Send("PRIVMSG #room :ZelmoBot bob same");
  carol->Send("PRIVMSG ZelmoBot :help;bans");
  ASSERT_TRUE(Await(*carol, "Bans: Use as privmsg").has_value());
  EXPECT_FALSE(Shows("-> #room: warned carol (flood: 4 lines in 6s)"));
  EXPECT_EQ(carol->WaitFor("KICK", 100), std::nullopt);
}

TEST_F(FloodDefence, NickChangesJoinPartCyclingAndACtcpQueryStepUpToABan) {
  ConnectBot();
  BotJoins("#room");
  auto dave = Client("dave");
  dave->JoinChannel("#room");
  for (const char* nick : {"dave1", "dave2", "dave3"}) dave->Send(std::string("NICK ") + nick);
  ASSERT_TRUE(Await(*dave, "NOTICE dave3 :Please slow down in #room (nick flood)").has_value());
  EXPECT_TRUE(Shows("-> #room: warned dave3 (nick flood: 3 changes in 60s)"));
  for (int i = 0; i < 2; ++i) {
    dave->Send("PART #room");
    dave->JoinChannel("#room");
  }
  ASSERT_TRUE(Await(*dave, "KICK #room dave3 :join/part cycling: 3 joins in 60s").has_value());
  dave->JoinChannel("#room");
  dave->Send("PRIVMSG #room :\001VERSION\001");
  ASSERT_TRUE(Await(*dave, "KICK #room dave3 :CTCP to the channel").has_value());
  EXPECT_TRUE(Shows("-> #room: banned dave3!*@* for 1h (CTCP to the channel)"));
  // The query an offence is goes unanswered.
  EXPECT_EQ(dave->WaitFor("VERSION", 200), std::nullopt);
}

}  // namespace
}  // namespace zelmo::testing
