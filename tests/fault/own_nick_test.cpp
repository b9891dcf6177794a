#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/bot_process.h"
#include "support/irc_test_client.h"
#include "support/ngircd_server.h"
#include "support/process_probe.h"
#include "support/temp_dir.h"

// The bot's own nick against servers that refuse it.

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

}  // namespace
}  // namespace zelmo::testing
