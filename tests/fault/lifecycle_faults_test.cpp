#include <gtest/gtest.h>

#include <string>

#include "fault_fixture.h"

// The operator's CONNECT and DISCONNECT against a server that drops the bot
// at awkward moments: the rejoin never runs without a link, and the
// channels saved at the last loss stay saved until the next one.

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
  ASSERT_TRUE(bot->AwaitDisplay("I were on 0 channel(s)", 5s));
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

}  // namespace
}  // namespace zelmo::testing
