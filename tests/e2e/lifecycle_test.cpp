#include <gtest/gtest.h>

#include "bot_on_server.h"

namespace zelmo::testing {
namespace {

using Lifecycle = BotOnServer;

TEST_F(Lifecycle, ConnectRegistersAndAnswersTheVersionQuery) {
  ConnectBot();
  EXPECT_TRUE(Shows("Connecting to 127.0.0.1..."));
  EXPECT_EQ(ColourOf("Connected to 127.0.0.1."), clGreen);
  EXPECT_FALSE(Shows("Trying to rejoin channels soon..."));
  EXPECT_EQ(form->IRC.Nick(), "ZelmoBot");
  auto alice = Client("alice");
  alice->Send("PRIVMSG ZelmoBot :\001VERSION\001");
  auto reply = Await(*alice, "NOTICE alice :\001VERSION");
  ASSERT_TRUE(reply.has_value());
  EXPECT_NE(reply->find("\001VERSION ZelmoBot v0.5\001"), std::string::npos) << *reply;
}

TEST_F(Lifecycle, ATakenNickFallsBackToTheAlternative) {
  auto holder = Client("ZelmoBot");
  ConnectBot();
  EXPECT_EQ(form->IRC.Nick(), "ZelmoBot-");
}

TEST_F(Lifecycle, KilledTheBotReconnectsAndRejoinsItsChannels) {
  ConnectBot();
  BotJoins("#room");
  BotJoins("#second");
  auto oper = Client("oper");
  oper->BecomeOperator();
  oper->Send("KILL ZelmoBot :testing");
  ASSERT_TRUE(AwaitShown("Disconnected from 127.0.0.1. I were on 2 channel(s)"));
  EXPECT_EQ(ColourOf("Disconnected from 127.0.0.1. I were on 2 channel(s)"), clRed);
  ASSERT_EQ(port.balloons.size(), 1u);
  EXPECT_EQ(port.balloons[0].title, "ZelmoBot: Disconnect");
  EXPECT_EQ(port.balloons[0].text, "Disconnected from 127.0.0.1.\rReconnecting automatically!");
  EXPECT_EQ(port.balloons[0].seconds, 60);
  ASSERT_TRUE(Pump([&] { return form->IRC.ConnectionState() == stConnected; }));
  EXPECT_TRUE(Shows("Trying to rejoin channels soon..."));
  EXPECT_EQ(form->Rejoining().SavedChannels(), (std::vector<std::string>{"#room", "#second"}));

  // The one-second timer: a tick arms the rejoin, then one channel a tick.
  port.TickTimers();
  EXPECT_FALSE(Shows("-> Rejoined channel #room"));
  port.TickTimers();
  EXPECT_TRUE(Shows("-> Rejoined channel #room"));
  EXPECT_FALSE(Shows("-> Rejoined channel #second"));
  port.TickTimers();
  EXPECT_TRUE(Shows("-> Rejoined channel #second"));
  EXPECT_FALSE(form->Rejoining().RejoinPending());
  EXPECT_TRUE(
      Pump([&] { return form->IRC.Channels.Find("#room") && form->IRC.Channels.Find("#second"); }));
  EXPECT_TRUE(port.errors.empty());
}

TEST_F(Lifecycle, DisconnectByTheOperatorDoesNotReconnect) {
  ConnectBot();
  BotJoins("#room");
  auto alice = Client("alice");
  alice->JoinChannel("#room");
  form->UserInputEntered("disconnect;see you");
  auto quit = Await(*alice, "QUIT");
  ASSERT_TRUE(quit.has_value());
  EXPECT_NE(quit->find("see you"), std::string::npos) << *quit;
  ASSERT_TRUE(AwaitShown("Disconnected from 127.0.0.1 by host"));
  EXPECT_EQ(ColourOf("Disconnected from 127.0.0.1 by host"), clOlive);
  EXPECT_TRUE(Shows("Disconnecting from 127.0.0.1..."));
  Pump([] { return false; }, 300);
  EXPECT_TRUE(port.balloons.empty());
  EXPECT_FALSE(form->IRC.IsLinkUp());
}

TEST_F(Lifecycle, DisconnectWithoutTextSendsTheQuitMessage) {
  ConnectBot();
  BotJoins("#room");
  auto alice = Client("alice");
  alice->JoinChannel("#room");
  form->UserInputEntered("disconnect");
  auto quit = Await(*alice, "QUIT");
  ASSERT_TRUE(quit.has_value());
  EXPECT_NE(quit->find("ZelmoBot v0.5"), std::string::npos) << *quit;
}

// The display never ends on the balloon's promise: the one attempt's
// failure is told there, without an error box.
TEST_F(Lifecycle, AFailedReconnectionSaysWhyAndHowToGoOn) {
  ConnectBot();
  server->Stop();
  const std::string failed =
      "Automatic reconnection failed: Connection refused. Type CONNECT to try again";
  ASSERT_TRUE(AwaitShown(failed));
  Pump([] { return false; }, 300);
  EXPECT_EQ(port.balloons.size(), 1u);
  EXPECT_TRUE(port.errors.empty());
  EXPECT_EQ(port.Texts().back(), failed);
  EXPECT_EQ(ColourOf(failed), clGreen);
  EXPECT_FALSE(form->Reconnect().ReconnectWanted);
}

TEST_F(Lifecycle, ConnectWhileConnectedMakesOneNewConnection) {
  ConnectBot();
  form->UserInputEntered("connect");
  ASSERT_TRUE(Pump([&] { return form->IRC.ConnectionState() == stConnected; }));
  ASSERT_TRUE(AwaitShown("Disconnected from 127.0.0.1 by host"));
  Pump([] { return false; }, 300);
  EXPECT_TRUE(port.balloons.empty());
  int connected = 0;
  for (const auto& text : port.Texts()) connected += text == "Connected to 127.0.0.1.";
  EXPECT_EQ(connected, 2);
  EXPECT_TRUE(form->IRC.IsLinkUp());
}

TEST_F(Lifecycle, ClosingWhileConnectedSendsQuit) {
  ConnectBot();
  BotJoins("#room");
  auto alice = Client("alice");
  alice->JoinChannel("#room");
  EXPECT_TRUE(form->FormCloseQuery());
  form.reset();
  auto quit = alice->WaitFor("QUIT");
  ASSERT_TRUE(quit.has_value());
  EXPECT_NE(quit->find("ZelmoBot v0.5"), std::string::npos) << *quit;
}

}  // namespace
}  // namespace zelmo::testing
