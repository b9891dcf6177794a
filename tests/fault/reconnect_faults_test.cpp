#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "fault_fixture.h"
#include "support/loopback_ports.h"

// Staying online against a scripted server: Reconnect=always and its waits,
// the server's ERROR line, and the nick regain through MONITOR.

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

using ReconnectFaults = FaultTest;

// Where the first display text containing `text` is, or -1.
long IndexOf(const std::vector<std::string>& texts, const std::string& text) {
  auto found = std::find_if(texts.begin(), texts.end(), [&](const std::string& shown) {
    return shown.find(text) != std::string::npos;
  });
  return found == texts.end() ? -1 : found - texts.begin();
}

TEST_F(ReconnectFaults, TheServersErrorLineIsShownBeforeTheLoss) {
  StartBot();
  ConnectBot();
  ASSERT_TRUE(link->SendLine("ERROR :Closing Link: 127.0.0.1 (Killed (oper (testing)))"));
  link->Close();
  ASSERT_TRUE(bot->AwaitDisplay("I were on 0 channel(s)", 5s));
  auto texts = bot->DisplayTexts();
  const long error =
      IndexOf(texts, "Server error: Closing Link: 127.0.0.1 (Killed (oper (testing)))");
  ASSERT_GE(error, 0) << ::testing::PrintToString(texts);
  EXPECT_LT(error, IndexOf(texts, "Disconnected from 127.0.0.1. I were on 0 channel(s)"));
}

TEST_F(ReconnectFaults, AlwaysWaitsLongerEachTimeUntilTheBotIsBackInItsChannels) {
  StartBot("Reconnect=always\n");
  ConnectBot();
  JoinBot("#room");
  link->Close();
  ASSERT_TRUE(bot->AwaitDisplay("Reconnecting to 127.0.0.1 in 2 s (attempt 1)", 5s));
  // Nothing before the wait is over.
  EXPECT_EQ(server.Accept(1200ms), nullptr);
  auto again = server.Accept(5s);
  ASSERT_TRUE(again) << "no attempt after the first wait";
  // Dropped before the welcome: the once mode would give up here.
  again->Close();
  ASSERT_TRUE(bot->AwaitDisplay("(attempt 2)", 5s));
  const auto texts = bot->DisplayTexts();
  const std::string second = texts[IndexOf(texts, "(attempt 2)")];
  EXPECT_TRUE(second == "Reconnecting to 127.0.0.1 in 3 s (attempt 2)" ||
              second == "Reconnecting to 127.0.0.1 in 4 s (attempt 2)" ||
              second == "Reconnecting to 127.0.0.1 in 5 s (attempt 2)")
      << second;
  link = server.Accept(8s);
  ASSERT_TRUE(link) << "no attempt after the second wait";
  ASSERT_TRUE(Register());
  EXPECT_EQ(link->AwaitLineStarting("JOIN ", 10s), "JOIN #room");
  EXPECT_EQ(bot->CountDisplay("Connected to 127.0.0.1."), 3);

  // The operator's DISCONNECT ends the waiting.
  link->Close();
  ASSERT_TRUE(bot->AwaitDisplay("(attempt 3)", 5s));
  bot->Command("disconnect");
  EXPECT_EQ(server.Accept(6s), nullptr) << "the bot went on trying after DISCONNECT";
  ExpectIdle();
}

TEST_F(ReconnectFaults, TheTakenNickIsToldAndTakenBackWhenMonitorSaysItIsFree) {
  StartBot();
  const std::string config = dir.Read("Config.ini");
  bot->Command("connect");
  link = server.Accept(kIrcWait);
  ASSERT_TRUE(link);
  EXPECT_EQ(link->AwaitLineStarting("NICK ", kIrcWait), "NICK ZelmoBot");
  ASSERT_TRUE(link->SendLine(":" + kFaultServer + " 433 * ZelmoBot :Nickname is already in use"));
  EXPECT_EQ(link->AwaitLineStarting("NICK ", kIrcWait), "NICK ZelmoBot-");
  ASSERT_TRUE(link->SendLine(":" + kFaultServer + " 001 ZelmoBot- :Welcome"));
  ASSERT_TRUE(link->SendLine(":" + kFaultServer + " 005 ZelmoBot- MONITOR=100 :are supported"));
  EXPECT_EQ(link->AwaitLineStarting("MONITOR ", kIrcWait), "MONITOR + ZelmoBot");
  ASSERT_TRUE(bot->AwaitDisplay("Nick ZelmoBot is taken; using ZelmoBot-", 5s));

  // Offline notices about other nicks change nothing.
  ASSERT_TRUE(link->SendLine(":" + kFaultServer + " 731 ZelmoBot- :alice,bob"));
  nick = "ZelmoBot-";
  EXPECT_EQ(Answers(), std::vector<std::string>{});
  ASSERT_TRUE(link->SendLine(":" + kFaultServer + " 731 ZelmoBot- :alice,zelmobot"));
  EXPECT_EQ(Answers(), std::vector<std::string>{"NICK ZelmoBot"});
  ASSERT_TRUE(link->SendLine(":ZelmoBot-!bot@fault.test NICK :ZelmoBot"));
  EXPECT_EQ(Answers(), std::vector<std::string>{"MONITOR - ZelmoBot"});
  ASSERT_TRUE(bot->AwaitDisplay("Nick ZelmoBot regained", 5s));
  EXPECT_EQ(dir.Read("Config.ini"), config) << "getting the nick back wrote Config.ini";
}

// A service started before its server: the refused first connect is shown
// and then tried again like a lost link.
TEST_F(ReconnectFaults, AServiceKeepsTryingAFirstConnectThatWasRefused) {
  dir.Write("Config.ini", LoopbackConfig(FreeLoopbackPort(), "AutoConnect=1\nReconnect=always\n"));
  bot = std::make_unique<BotProcess>(HeadlessBot(dir.Path()));
  ASSERT_TRUE(bot->AwaitDisplay("Reconnecting to 127.0.0.1 in 2 s (attempt 1)", 10s));
  EXPECT_TRUE(bot->AwaitDisplay("(attempt 2)", 5s)) << bot->DisplayOutput();
  EXPECT_NE(bot->ErrorOutput().find("Connection refused"), std::string::npos) << bot->ErrorOutput();
}

}  // namespace
}  // namespace zelmo::testing
