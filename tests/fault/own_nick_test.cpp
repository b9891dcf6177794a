#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "fault_fixture.h"
#include "support/bot_process.h"
#include "support/irc_test_client.h"
#include "support/ngircd_server.h"
#include "support/process_probe.h"
#include "support/temp_dir.h"

// The bot's own nick against servers that refuse it or name a nick it
// cannot be known by.

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

// The nick write-back once saved the alternative nick as the configured one;
// with it taken, the fallback must still come to an end.
TEST(OwnNick, ConfiguredAsTheAlternativeAndTakenTheBotGivesUp) {
  if (!NgircdServer::Available()) GTEST_SKIP() << "ngircd is not installed";
  NgircdServer ngircd;
  IrcTestClient holder(NgircdServer::Host(), ngircd.Port(), "ZelmoBot-");
  TempDir dir;
  dir.Write("Config.ini", LoopbackConfig(ngircd.Port(), "Nick=ZelmoBot-\n"));
  BotProcess bot(HeadlessBot(dir.Path()));
  ASSERT_TRUE(bot.AwaitDisplay("Type \"Connect\"", 10s));
  bot.Command("connect");
  // Refused again after the one automatic reconnection, which is not
  // repeated.
  const std::string lost = "Disconnected from 127.0.0.1. I were on 0 channel(s)";
  ASSERT_TRUE(bot.Await(
      [&](const ProcessOutput& output) {
        return std::ranges::count(output.DisplayTexts(), lost) == 2;
      },
      15s));
  auto share = CpuShareOver(bot.Pid(), 1500ms);
  ASSERT_TRUE(share);
  EXPECT_LT(*share, 0.25) << "the bot keeps trying the nick";
  EXPECT_EQ(bot.CountDisplay("Disconnected from"), 2);
  EXPECT_EQ(bot.CountDisplay("Connected to 127.0.0.1."), 2);
}

using HostileNick = FaultTest;

TEST_F(HostileNick, AnInvalidNickForTheBotIsRefusedAndNeverSaved) {
  StartBot("Nick=ZelmoBot\n");
  ConnectBot();
  ASSERT_TRUE(link->SendLine(":" + kFaultServer + " 005 " + nick +
                             " NICKLEN=12 CHANTYPES=# :are supported by this server"));
  for (const char* hostile :
       {"", "#evil", "&evil", ":evil", "9evil", "e vil", "Thirteen_long", "ok\001ctl", "del\x7f"}) {
    ASSERT_TRUE(From(nick, "zb@bot.host", "NICK :" + std::string(hostile)));
  }
  // A server's own line has no nick: it is not the bot's JOIN.
  ASSERT_TRUE(link->SendLine(":" + kFaultServer + " JOIN #evil"));
  ASSERT_TRUE(From(nick, "zb@bot.host", "JOIN #room"));
  EXPECT_EQ(Answers(), std::vector<std::string>{"MODE #room "});
  EXPECT_EQ(bot->CountDisplay("Refused an invalid nick from the server:"), 9);
  EXPECT_EQ(bot->CountDisplay("Refused an invalid nick from the server: Thirteen_long"), 1);
  EXPECT_NE(dir.Read("Config.ini").find("Nick=ZelmoBot\n"), std::string::npos);

  // A valid nick of the server's length is taken and saved.
  ASSERT_TRUE(From(nick, "zb@bot.host", "NICK :Twelve_long_"));
  ASSERT_TRUE(From("Twelve_long_", "zb@bot.host", "JOIN #two"));
  EXPECT_EQ(Answers(), std::vector<std::string>{"MODE #two "});
  EXPECT_NE(dir.Read("Config.ini").find("Nick=Twelve_long_"), std::string::npos);
  ExpectIdle();
}

}  // namespace
}  // namespace zelmo::testing
