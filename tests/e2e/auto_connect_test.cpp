#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <utility>

#include "support/bot_process.h"
#include "support/irc_test_client.h"
#include "support/ngircd_server.h"
#include "support/temp_dir.h"

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

// The bot as a service runs it: headless, standard input /dev/null.
ProcessOptions ServiceBot(const TempDir& dir) {
  ProcessOptions options = HeadlessBot(dir.Path());
  options.with_input = false;
  return options;
}

TEST(AutoConnect, AServiceWithoutConsoleConnectsByItselfAndQuitsOnSigterm) {
  if (!NgircdServer::Available()) GTEST_SKIP() << "ngircd is not installed";
  NgircdServer server;
  TempDir dir;
  dir.Write("Config.ini", LoopbackConfig(server.Port(), "AutoConnect=Yes\n"));
  IrcTestClient watcher(NgircdServer::Host(), server.Port(), "watcher");

  BotProcess bot(ServiceBot(dir));
  ASSERT_TRUE(bot.AwaitDisplay("Connected to 127.0.0.1.", 10s))
      << bot.DisplayOutput() << bot.ErrorOutput();
  // Registered under its nick, as the server sees it. "Connected" comes
  // before the welcome, so the question is repeated until registration ends.
  bool registered = false;
  for (int attempt = 0; attempt < 20 && !registered; ++attempt) {
    watcher.Send("ISON ZelmoBot");
    registered = watcher.WaitFor(" 303 watcher :ZelmoBot", 500).has_value();
  }
  ASSERT_TRUE(registered);
  // After the load's two lines (no security password is set) and the
  // opening lines.
  auto texts = bot.DisplayTexts();
  ASSERT_GE(texts.size(), 6u);
  EXPECT_EQ(texts[4], "Data folder: " + dir.Path());
  EXPECT_EQ(texts[5], "Connecting to 127.0.0.1...");

  bot.Signal(SIGTERM);
  EXPECT_EQ(bot.WaitExit(10s), 0) << bot.ErrorOutput();
  EXPECT_EQ(bot.ErrorOutput(), "");
}

// A word that is no switch is an error, never the default.
TEST(AutoConnect, WithoutTheKeyOffOrWithABadWordTheBotWaitsForConnect) {
  if (!NgircdServer::Available()) GTEST_SKIP() << "ngircd is not installed";
  NgircdServer server;
  for (const auto& [extra, error] :
       {std::pair("", ""), std::pair("AutoConnect=off\n", ""),
        std::pair("AutoConnect=maybe\n",
                  "ZelmoBot: [Me] AutoConnect: 'maybe' is not a switch (1/0, yes/no, "
                  "true/false, on/off)\n")}) {
    TempDir dir;
    dir.Write("Config.ini", LoopbackConfig(server.Port(), extra));
    BotProcess bot(ServiceBot(dir));
    ASSERT_TRUE(bot.AwaitDisplay("Data folder: ", 10s)) << bot.ErrorOutput();
    EXPECT_FALSE(bot.AwaitDisplay("Connecting to", 1s)) << extra;
    bot.Signal(SIGTERM);
    EXPECT_EQ(bot.WaitExit(10s), 0);
    EXPECT_EQ(bot.ErrorOutput(), error) << extra;
  }
}

}  // namespace
}  // namespace zelmo::testing
