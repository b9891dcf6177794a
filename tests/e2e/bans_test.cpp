#include <gtest/gtest.h>

#include <thread>

#include "bot_on_server.h"
#include "shell/base/ini_file.h"

namespace zelmo::testing {
namespace {

// Bans the bot keeps, on a real server. Every client is on 127.0.0.1, as
// the bot is, so the bans here name nicks: a host ban would cover the bot.
class Bans : public BotOnServer {
 protected:
  void SetUp() override {
    BotOnServer::SetUp();
    if (IsSkipped()) return;
    dir.Write("Users.ini",
              "[olli]\nPassword=p\nRights_#room=2\n[olga]\nPassword=p\nRights_#room=4\n");
  }
  std::unique_ptr<IrcTestClient> Operator(const std::string& user = "olli") {
    auto olli = Client(user);
    olli->Send("PRIVMSG ZelmoBot :login;" + user + ";p");
    EXPECT_TRUE(Await(*olli, "Login: Logged on").has_value());
    return olli;
  }
  void Restart() {
    form.reset();
    form = std::make_unique<TMainForm>(port, dir.Path());
    ConnectBot();
  }
};

TEST_F(Bans, ABanIsListedOutlivesARestartIsSetAgainAndEnds) {
  ConnectBot();
  BotJoins("#room");
  auto olli = Operator();
  auto bob = Client("bob");
  olli->JoinChannel("#room");
  bob->JoinChannel("#room");
  olli->Send("PRIVMSG #room :!ban bob!*@* 10s bye");
  ASSERT_TRUE(Await(*olli, "Ban: bob!*@* set on #room for 10s (bye)").has_value());
  ASSERT_TRUE(Await(*bob, "MODE #room +b bob!*@*").has_value());
  olli->Send("PRIVMSG #room :!bans");
  ASSERT_TRUE(Await(*olli, ":1. bob!*@* by olli, ").has_value());
  // The channel ends with its ban when everyone leaves; the list stays.
  olli->Send("PART #room");
  bob->Send("PART #room");
  ASSERT_TRUE(Await(*bob, "PART #room").has_value());
  Restart();
  BotJoins("#room");
  // Set again, as the server's echo shows.
  ASSERT_TRUE(AwaitShown("-> #room: +b bob!*@*"));
  ASSERT_TRUE(Pump([&] {
    int echoes = 0;
    for (const std::string& text : port.Texts()) {
      echoes += text == "bob!*@* has been banned from #room by ZelmoBot";
    }
    return echoes == 2;
  }));
  bob->Send("JOIN #room");
  ASSERT_TRUE(Await(*bob, " 474 bob #room").has_value());
  // The one timer lifts the ban at its end.
  const std::int64_t ends = form->Bans()->Of("#room").at(0).expires_at;
  ASSERT_TRUE(Pump([&] { return form->UnixNow() >= ends; }, 15000));
  port.TickTimers();
  ASSERT_TRUE(AwaitShown("-> #room: -b bob!*@*"));
  EXPECT_TRUE(form->Bans()->Of("#room").empty());
  bob->Send("JOIN #room");
  EXPECT_TRUE(Await(*bob, ":bob!").has_value());
}

TEST_F(Bans, AListedUserJoiningAChannelThatLostTheBanIsBannedAndKicked) {
  dir.Write("Bans.ini", "[#room]\nbob!*@*=0 1700000000 olli b spamming\n");
  auto olli = Client("olli");
  olli->JoinChannel("#room");  // first in: the channel's operator
  Restart();
  BotJoins("#room");
  // Not an operator yet, the bot sets the listed ban in vain; a line it
  // sends after it shows the server has had the attempt.
  ASSERT_TRUE(AwaitShown("-> #room: +b bob!*@*"));
  form->IRC.Say("olli", "after the ban");
  ASSERT_TRUE(Await(*olli, "after the ban").has_value());
  olli->Send("MODE #room +o ZelmoBot");
  ASSERT_TRUE(Await(*olli, "MODE #room +o ZelmoBot").has_value());
  auto bob = Client("bob");
  bob->JoinChannel("#room");
  ASSERT_TRUE(Await(*bob, "KICK #room bob :spamming").has_value());
  EXPECT_TRUE(Await(*olli, "MODE #room +b bob!*@*").has_value());
}

// An operator's hand lifts a listed ban: the bot forgets it, unless the
// channel's bans are sticky, when it sets the ban again.
TEST_F(Bans, ABanLiftedByHandLeavesTheListUnlessSticky) {
  ConnectBot();
  BotJoins("#room");
  auto olli = Operator();
  auto olga = Operator("olga");
  olli->JoinChannel("#room");
  olli->Send("PRIVMSG #room :!op");
  ASSERT_TRUE(Await(*olli, "MODE #room +o olli").has_value());
  for (const bool sticky : {false, true}) {
    SCOPED_TRACE(sticky);
    if (sticky) {
      olga->Send("PRIVMSG ZelmoBot :chanset;#room;StickyBans;1");
      ASSERT_TRUE(Await(*olga, "Chanset: #room StickyBans = 1").has_value());
    }
    olli->Send("PRIVMSG #room :!ban bob!*@* 1h");
    ASSERT_TRUE(Await(*olli, "MODE #room +b bob!*@*").has_value());
    olli->Send("MODE #room -b bob!*@*");
    ASSERT_TRUE(Await(*olli, "MODE #room -b bob!*@*").has_value());
    if (sticky) {
      const auto again = Await(*olli, "MODE #room +b bob!*@*");
      EXPECT_TRUE(again && again->starts_with(":ZelmoBot!")) << again.value_or("none");
      EXPECT_EQ(form->Bans()->Of("#room").size(), 1U);
    } else {
      EXPECT_TRUE(Pump([&] { return form->Bans()->Of("#room").empty(); }));
    }
  }
}

// The channel's owner changes its settings by private message: written to
// Config.ini and in force at once.
TEST_F(Bans, ChansetWritesTheChannelsSectionAndAppliesIt) {
  ConnectBot();
  auto olga = Operator("olga");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"chanset;#room;FloodLines;5", "Chanset: #room FloodLines = 5"},
      {"chanset;#room;floodlines;500",
       "Chanset: Error - [Channel #room] FloodLines: '500' is not a number of lines (0 to 100)"},
      {"chanset;#room;BanTime;soon",
       "Chanset: Error - [Channel #room] BanTime: 'soon' is not a duration"},
      {"chanset;#room;Nick;x", "Chanset: Error - unknown key Nick"},
      {"chanset;#room", "Chanset: #room FloodLines = 5"},
      {"chanset;#other;FloodLines;1", "Chanset: Error - Access rights too low"},
  };
  for (const auto& [text, answer] : cases) {
    olga->Send("PRIVMSG ZelmoBot :" + text);
    EXPECT_TRUE(Await(*olga, "PRIVMSG olga :" + answer).has_value()) << text;
  }
  EXPECT_EQ(form->Protect.For("#ROOM").flood_lines, 5);
  EXPECT_EQ(TIniFile(dir.File("Config.ini")).ReadString("Channel #room", "FloodLines", ""), "5");
}

}  // namespace
}  // namespace zelmo::testing
