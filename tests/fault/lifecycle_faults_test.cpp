#include <gtest/gtest.h>

#include <string>

#include "fault_fixture.h"
#include "sanitizers.h"
#include "support/loopback_socket.h"

// The operator's CONNECT and DISCONNECT against a server that drops the bot
// at awkward moments: the rejoin never runs without a link, a planned QUIT
// is never taken for a loss, and the channels saved at the last loss stay
// saved until the next one.

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kReconnectWait = 10s;
// Longer than the rejoin's first two ticks.
constexpr auto kRejoinQuiet = 3500ms;

using LifecycleFaults = FaultTest;

TEST_F(LifecycleFaults, ARejoinStopsWithTheLinkAndTheChannelsStaySaved) {
  StartBot();
  ConnectBot();
  JoinBot("#a");
  JoinBot("#b");
  link->Close();
  // The automatic reconnection is dropped before the server's welcome.
  auto again = server.Accept(kReconnectWait);
  ASSERT_TRUE(again) << "no reconnection after the server closed";
  ASSERT_TRUE(again->AwaitLineStarting("USER ", kIrcWait));
  again->Close();
  ASSERT_TRUE(bot->AwaitDisplay("I were on 0 channel(s)", 5s)) << bot->DisplayOutput();
  EXPECT_FALSE(bot->AwaitDisplay("-> Rejoined channel", kRejoinQuiet)) << "a rejoin while offline";

  // The operator connects, and disconnects right after the welcome.
  ConnectBot();
  bot->Command("disconnect");
  ASSERT_EQ(link->AwaitLineStarting("QUIT", kIrcWait), "QUIT :ZelmoBot v0.5");
  link->Close();
  ASSERT_TRUE(bot->AwaitDisplay("Disconnected from 127.0.0.1 by host", 5s));
  EXPECT_FALSE(bot->AwaitDisplay("-> Rejoined channel", kRejoinQuiet)) << "a rejoin while offline";

  // Both channels are still saved for the next link.
  ConnectBot();
  EXPECT_EQ(link->AwaitLineStarting("JOIN ", 10s), "JOIN #a");
  EXPECT_EQ(link->AwaitLineStarting("JOIN ", 10s), "JOIN #b");
  EXPECT_EQ(bot->CountDisplay("-> Rejoined channel #a"), 1);
}

// A server may close the link as soon as it has the QUIT, and the bot may
// notice the close before the send of its QUIT has returned; here the bot
// is held after that send, so the close always comes first.
TEST_F(LifecycleFaults, AServerThatClosesRightAfterTheQuitIsNeitherAnErrorNorALoss) {
  if (kAddressSanitizer) GTEST_SKIP() << "the slow link cannot be loaded first";
  StartBot("", SlowLink({"ZELMO_FAULT_QUIT_PAUSE_MS=300"}));
  ConnectBot();
  JoinBot("#a");
  bot->Command("disconnect");
  ASSERT_EQ(link->AwaitLineStarting("QUIT", kIrcWait), "QUIT :ZelmoBot v0.5");
  link->Close();
  ASSERT_TRUE(bot->AwaitDisplay("Disconnected from 127.0.0.1 by host", 5s)) << bot->DisplayOutput();
  EXPECT_EQ(server.Accept(1s), nullptr) << "the bot reconnected on its own";
  EXPECT_EQ(bot->ErrorOutput(), "");
  // The channel of that link was no loss: nothing is saved to rejoin.
  ConnectBot();
  EXPECT_EQ(link->AwaitLineStarting("JOIN ", kRejoinQuiet), std::nullopt);
}

// CONNECT typed while connected closes the open link itself: when the new
// link then cannot be opened, nothing was lost that needs repair.
TEST_F(LifecycleFaults, AFailedConnectWhileConnectedKeepsTheSavedChannels) {
  StartBot();
  ConnectBot();
  JoinBot("#a");
  link->Close();
  auto again = server.Accept(kReconnectWait);
  ASSERT_TRUE(again) << "no reconnection after the server closed";
  link = std::move(again);
  ASSERT_TRUE(Register());
  ASSERT_EQ(link->AwaitLineStarting("JOIN ", 10s), "JOIN #a");
  JoinBot("#a");

  RefusingPort refusing;
  dir.Write("Config.ini", LoopbackConfig(refusing.Port()));
  bot->Command("reload");
  bot->Command("connect");
  EXPECT_TRUE(bot->Await(
      [](const ProcessOutput& output) {
        return output.err.find("ZelmoBot: Socket Error # 10061") != std::string::npos;
      },
      5s))
      << bot->ErrorOutput();
  ASSERT_TRUE(bot->AwaitDisplay("Disconnected from 127.0.0.1 by host", 5s));
  EXPECT_EQ(bot->CountDisplay("I were on"), 1) << "taken for a loss";

  dir.Write("Config.ini", LoopbackConfig(server.Port()));
  bot->Command("reload");
  ConnectBot();
  EXPECT_EQ(link->AwaitLineStarting("JOIN ", 10s), "JOIN #a");
}

}  // namespace
}  // namespace zelmo::testing
