#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channel_bot.h"
#include "users/privmsg.h"

namespace zelmo::testing {
namespace {

using Lines = std::vector<std::string>;

// olli (level 2) bans in #room; every user of the fixture is on "host".
class BanCommands : public ChannelBotTest {
 protected:
  void SetUp() override {
    ChannelBotTest::SetUp();
    bot.User("bob");
    bot.User("olga");
  }
};

TEST_F(BanCommands, BanListUnbanAndTheirAnswers) {
  RoomWithMembers("@ZelmoBot olli bob");
  Says("olli", "!ban bob 30m spamming links");
  EXPECT_EQ(bot.TakeSent(),
            (Lines{"MODE #room +b *!*@host",
                   "PRIVMSG olli :Ban: *!*@host set on #room for 30m (spamming links)"}));
  for (const char* mask : {"*!*@a.example", "*!*@b.example", "x!*@*"}) {
    Says("olli", std::string("!BAN ") + mask + " 0");
  }
  bot.TakeSent();
  bot.unix_now += 90;
  Says("olli", "!bans");
  EXPECT_EQ(bot.TakeSent(),
            (Lines{"PRIVMSG #room :1. *!*@host by olli, 1m30s ago, 28m30s left: spamming links",
                   "PRIVMSG #room :2. *!*@a.example by olli, 1m30s ago, permanent: Banned by olli",
                   "PRIVMSG #room :3. *!*@b.example by olli, 1m30s ago, permanent: Banned by olli",
                   "PRIVMSG #room :... and 1 more by private message",
                   "PRIVMSG olli :4. x!*@* by olli, 1m30s ago, permanent: Banned by olli"}));
  Says("olli", "!unban 1");
  Says("olli", "!unban X!*@*");
  Says("olli", "!unban 3");
  EXPECT_EQ(bot.TakeSent(),
            (Lines{"MODE #room -b *!*@host", "PRIVMSG olli :Unban: *!*@host removed from #room",
                   "MODE #room -b x!*@*", "PRIVMSG olli :Unban: x!*@* removed from #room",
                   "PRIVMSG olli :Unban: Error - no ban 3 on #room"}));
  EXPECT_EQ(bot.ban_list.Of("#ROOM").size(), 2u);
  EXPECT_EQ(bot.bans_changed, 6);
}

TEST_F(BanCommands, KickBanBansThenKicksWithTheReason) {
  RoomWithMembers("@ZelmoBot olli bob");
  Says("olli", "!kickban bob 2h go away");
  EXPECT_EQ(bot.TakeSent(), (Lines{"MODE #room +b *!*@host", "KICK #room bob :go away",
                                   "PRIVMSG olli :Ban: *!*@host set on #room for 2h (go away)"}));
  EXPECT_EQ(bot.ban_list.Find("#room", "*!*@host")->expires_at, bot.unix_now + 7200);
}

TEST_F(BanCommands, RefusalsSayWhyAndChangeNothing) {
  RoomWithMembers("@ZelmoBot olli bob olga");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"!ban", "PRIVMSG olli :Ban: Error - Not enough parameters"},
      {"!ban carol", "PRIVMSG olli :Ban: Error - carol is not on #room"},
      {"!kickban *!*@x", "PRIVMSG olli :Ban: Error - *!*@x is not on #room"},
      {"!ban *!*@h", "PRIVMSG olli :Ban: Error - that mask matches me"},
      {"!ban bob", "PRIVMSG olli :Ban: Error - olga has a higher level than you"},
      {"!ban *!*@x 5x", "PRIVMSG olli :Ban: Error - no such duration: 5x"},
      {"!ban *!*@x 400d", "PRIVMSG olli :Ban: Error - no such duration: 400d"},
      {"!unban 1", "PRIVMSG olli :Unban: Error - no ban 1 on #room"},
  };
  for (const auto& [text, answer] : cases) {
    Says("olli", text);
    EXPECT_EQ(bot.TakeSent(), Lines{answer}) << text;
  }
  Says("vera", "!ban *!*@x");
  Says("vera", "!bans");
  EXPECT_EQ(bot.TakeSent(), (Lines{"PRIVMSG vera :Ban: Error - Access rights too low",
                                   "PRIVMSG vera :Bans: Error - Access rights too low"}));
  Says("olli", "!bans");
  EXPECT_EQ(bot.TakeSent(), Lines{"PRIVMSG #room :Bans: #room has no bans"});
  EXPECT_EQ(bot.bans_changed, 0);
}

// A quiet in the form the server announced, listed and lifted as a ban is;
// without a form it is refused, and a mask stays the kind it was set as.
TEST_F(BanCommands, QuietTakesTheServersForm) {
  const std::vector<std::pair<std::string, std::string>> forms = {
      {"CHANMODES=eIbq,k,flj,imnst", "q *!*@host"},
      {"EXTBAN=~,qjm CHANMODES=beI,k,l,imnt", "b ~q:*!*@host"},
      {"EXTBAN=,ACmz", "b m:*!*@host"},
      {"EXTBAN=$,ajrxz CHANMODES=beI,k,l,imnt", ""},
  };
  RoomWithMembers("@ZelmoBot olli bob");
  for (const auto& [tokens, mode] : forms) {
    SCOPED_TRACE(tokens);
    bot.Irc().Features.Clear();
    bot.Irc().Features.Take("ZelmoBot " + tokens + " :are supported");
    Says("olli", "!quiet bob 10m");
    if (mode.empty()) {
      EXPECT_EQ(bot.TakeSent(),
                Lines{"PRIVMSG olli :Quiet: Error - this server has no quiet mode"});
      continue;
    }
    Says("olli", "!ban *!*@host");
    Says("olli", "!unban 1");
    Says("olli", "!unquiet 1");
    EXPECT_EQ(bot.TakeSent(),
              (Lines{"MODE #room +" + mode,
                     "PRIVMSG olli :Quiet: *!*@host set on #room for 10m (Quieted by olli)",
                     "PRIVMSG olli :Ban: Error - *!*@host is listed as a quiet",
                     "PRIVMSG olli :Unban: Error - no ban 1 on #room", "MODE #room -" + mode,
                     "PRIVMSG olli :Unquiet: *!*@host removed from #room"}));
  }
}

// The private forms: for the channel's owner, all answers to the requester.
TEST_F(BanCommands, PrivateFormsNeedTheChannelsOwner) {
  RoomWithMembers("@ZelmoBot bob");
  const auto privately = [&](const std::string& nick, const std::string& text) {
    DispatchPrivate(bot, text, bot.User(nick));
  };
  privately("olli", "ban;#room;bob");
  privately("olga", "ban;#room;bob;;flooding");
  privately("olga", "ban;#other;*!*@x.example;1w");
  privately("olga", "bans;#room");
  privately("olga", "unban;#room;*!*@host");
  privately("olga", "ban;#room");
  bot.Irc().Features.Take("ZelmoBot CHANMODES=eIbq,k,flj,imnst :are supported");
  privately("olga", "quiet;#room;bob;5m");
  privately("olli", "unquiet;#room;1");
  privately("olga", "unquiet;#room;1");
  EXPECT_EQ(bot.TakeSent(),
            (Lines{"PRIVMSG olli :Ban: Error - Access rights too low", "MODE #room +b *!*@host",
                   "PRIVMSG olga :Ban: *!*@host set on #room for 1h (flooding)",
                   "MODE #other +b *!*@x.example",
                   "PRIVMSG olga :Ban: *!*@x.example set on #other for 1w (Banned by olga)",
                   "PRIVMSG olga :1. *!*@host by olga, 0s ago, 1h left: flooding",
                   "MODE #room -b *!*@host", "PRIVMSG olga :Unban: *!*@host removed from #room",
                   "PRIVMSG olga :Ban: Error - Not enough parameters", "MODE #room +q *!*@host",
                   "PRIVMSG olga :Quiet: *!*@host set on #room for 5m (Quieted by olga)",
                   "PRIVMSG olli :Unquiet: Error - Access rights too low", "MODE #room -q *!*@host",
                   "PRIVMSG olga :Unquiet: *!*@host removed from #room"}));
}

}  // namespace
}  // namespace zelmo::testing
