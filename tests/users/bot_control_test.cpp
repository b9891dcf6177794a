#include "users_fixture.h"

namespace zelmo::testing {
namespace {

using Lines = std::vector<std::string>;

TEST_F(UsersTest, JoinSendsTheKeyOnlyWhenGiven) {
  EXPECT_EQ(From("boss", "join;#chan"),
            (Lines{"JOIN #chan", To("boss", "Join: Joined channel #chan")}));
  EXPECT_EQ(From("boss", "join;#chan;secret;x"),
            (Lines{"JOIN #chan secret", To("boss", "Join: Joined channel #chan")}));
  EXPECT_EQ(From("boss", "join;#chan;"),
            (Lines{"JOIN #chan", To("boss", "Join: Joined channel #chan")}));
  EXPECT_EQ(From("boss", "join;nohash"),
            (Lines{"JOIN nohash", To("boss", "Join: Joined channel nohash")}));
  EXPECT_EQ(bot.Shown().back(), "-> boss: Join: Joined channel nohash");
}

TEST_F(UsersTest, PartSendsTheReasonOnlyWhenGiven) {
  EXPECT_EQ(From("boss", "part;#chan;bye now"),
            (Lines{"PART #chan :bye now", To("boss", "Part: Parted channel #chan")}));
  EXPECT_EQ(From("boss", "part;#chan"),
            (Lines{"PART #chan", To("boss", "Part: Parted channel #chan")}));
  EXPECT_EQ(From("boss", "part;#chan;"),
            (Lines{"PART #chan", To("boss", "Part: Parted channel #chan")}));
}

TEST_F(UsersTest, SaySpeaksOnlyPartTwoAndAnswersNothing) {
  EXPECT_EQ(From("oper", "say;#chan;a;b"), Lines{"PRIVMSG #chan :a"});
  EXPECT_EQ(bot.Shown().back(), "-> #chan: a");
  EXPECT_EQ(From("oper", "say;somebody;hi there"), Lines{"PRIVMSG somebody :hi there"});
  EXPECT_EQ(From("oper", "say;#chan"), Only("oper", "Say: Error - Not enough parameters"));
}

TEST_F(UsersTest, NickAsksTheServerAndAnswersInDangerColour) {
  EXPECT_EQ(From("oper", "nick;newname"), Only("oper", "Nick: Error - Access rights too low"));
  EXPECT_EQ(From("boss", "nick;newname"),
            (Lines{"NICK newname", To("boss", "Nick: Nick changed to newname")}));
  EXPECT_EQ(bot.Shown().back(), "-> boss: Nick: Nick changed to newname");
  EXPECT_EQ(bot.port.lines.back().color, bot.display.DangerousColor);
}

TEST_F(UsersTest, ReloadChecksTheSecurityPassword) {
  bot.security_password = "Sesame";
  EXPECT_EQ(From("boss", "reload;sesam"), Only("boss", "Reload: Error - Wrong security password"));
  EXPECT_EQ(bot.config_loads, 0);
  EXPECT_EQ(From("boss", "reload;SESAME"), Only("boss", "Reload: Completed"));
  EXPECT_EQ(bot.config_loads, 1);
}

TEST_F(UsersTest, FailedReloadEndsWithoutReply) {
  bot.security_password = "Sesame";
  bot.config_error = "'bad' is not a valid integer value";
  EXPECT_TRUE(From("boss", "reload;Sesame").empty());
  EXPECT_EQ(error, bot.config_error);
  EXPECT_EQ(bot.config_loads, 1);
}

}  // namespace
}  // namespace zelmo::testing
