#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <thread>

#include "bot_on_server.h"
#include "support/bot_process.h"

// The bot on a real ngircd: a server that goes away for half a minute, a
// JOIN the server refuses, and a nick that someone else holds.

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

using StayingOnline = BotOnServer;

TEST_F(StayingOnline, RefusedJoinsAreShownWithTheChannelAndTheServersText) {
  ConnectBot();
  auto alice = Client("alice");
  alice->JoinChannel("#closed");
  alice->JoinChannel("#keyed");
  alice->Send("MODE #closed +i");
  alice->Send("MODE #keyed +k secret");
  ASSERT_TRUE(alice->WaitFor("MODE #keyed +k"));
  form->IRC.Join("#closed", "");
  form->IRC.Join("#keyed", "wrong");
  // A PART of a channel the bot is not in earns an error reply too, but it
  // refuses no JOIN.
  form->IRC.Part("#nowhere", "");
  BotJoins("#open");
  const auto refused = [&](const std::string& channel) {
    for (const auto& line : port.lines) {
      if (line.Text().starts_with("Cannot join " + channel + ": ")) return line;
    }
    return DisplayedLine{};
  };
  ASSERT_TRUE(Pump([&] { return !refused("#keyed").line.empty(); }));
  const DisplayedLine closed = refused("#closed");
  EXPECT_NE(closed.Text().find("(+i)"), std::string::npos) << closed.Text();
  EXPECT_EQ(closed.color, clRed);
  EXPECT_NE(refused("#keyed").Text().find("(+k)"), std::string::npos) << refused("#keyed").Text();
  EXPECT_TRUE(refused("#nowhere").line.empty());
  EXPECT_TRUE(refused("#open").line.empty());
}

TEST_F(StayingOnline, ATakenNickIsToldAndTakenBackWhenItsHolderQuits) {
  const std::string config = dir.Read("Config.ini");
  auto holder = Client("ZelmoBot");
  holder->JoinChannel("#room");
  ConnectBot();
  EXPECT_TRUE(Shows("Nick ZelmoBot is taken; using ZelmoBot-"));
  EXPECT_EQ(ColourOf("Nick ZelmoBot is taken; using ZelmoBot-"), clOlive);
  BotJoins("#room");
  holder->Send("QUIT :bye");
  ASSERT_TRUE(Pump([&] { return form->IRC.Nick() == "ZelmoBot"; }));
  EXPECT_TRUE(AwaitShown("Nick ZelmoBot regained"));
  EXPECT_EQ(dir.Read("Config.ini"), config) << "getting the nick back wrote Config.ini";
}

TEST_F(StayingOnline, WithoutNewsOfTheHolderTheNickIsTriedOnTheMinuteTimer) {
  auto holder = Client("ZelmoBot");
  ConnectBot();
  ASSERT_EQ(form->IRC.Nick(), "ZelmoBot-");
  ASSERT_TRUE(form->Regain().NickTimer().Enabled());
  // Taken still: the server's refusal is no news for the display.
  const auto shown = port.lines.size();
  port.TickTimers();
  auto watcher = Client("watcher");
  watcher->Send("ISON ZelmoBot-");
  ASSERT_TRUE(watcher->WaitFor(" 303 watcher :ZelmoBot-"));
  Pump([] { return false; }, 300);
  EXPECT_EQ(port.lines.size(), shown);
  // The holder goes by another nick, out of the bot's sight.
  holder->Send("NICK somebody");
  ASSERT_TRUE(holder->WaitFor("NICK :somebody"));
  port.TickTimers();
  ASSERT_TRUE(Pump([&] { return form->IRC.Nick() == "ZelmoBot"; }));
  EXPECT_FALSE(form->Regain().NickTimer().Enabled());
}

// The real program on a server that is down for half a minute.
TEST(StayingOnlineProcess, ReconnectAlwaysBringsTheBotBackAfterThirtySecondsOfOutage) {
  if (!NgircdServer::Available()) GTEST_SKIP() << "ngircd is not installed";
  NgircdServer server;
  TempDir dir;
  dir.Write("Config.ini", LoopbackConfig(server.Port(), "Reconnect=always\n"));
  dir.Write("Users.ini", "[owner]\nPassword=secret\nRights_General=2\n");
  BotProcess bot(HeadlessBot(dir.Path()));
  ASSERT_TRUE(bot.AwaitDisplay("Type \"Connect\"", 10s));
  bot.Command("connect");
  ASSERT_TRUE(bot.AwaitDisplay("Connected to 127.0.0.1.", 10s));
  {
    IrcTestClient owner(NgircdServer::Host(), server.Port(), "owner");
    owner.JoinChannel("#room");
    owner.JoinChannel("#second");
    for (int attempt = 0; attempt < 50; ++attempt) {
      owner.Send("PRIVMSG ZelmoBot :login;owner;secret");
      if (owner.WaitFor("Login: Logged on", 1000)) break;
    }
    owner.Send("PRIVMSG ZelmoBot :join;#room");
    owner.Send("PRIVMSG ZelmoBot :join;#second");
    for (const std::string channel : {"#room", "#second"}) {
      ASSERT_TRUE(owner.WaitFor([&](const std::string& line) {
        return line.starts_with(":ZelmoBot!") && line.ends_with(" JOIN :" + channel);
      }));
    }
  }

  server.Stop();
  ASSERT_TRUE(bot.AwaitDisplay("Disconnected from 127.0.0.1. I were on 2 channel(s)", 10s))
      << bot.DisplayOutput();
  std::this_thread::sleep_for(30s);
  server.Restart();
  ASSERT_TRUE(bot.AwaitDisplay("-> Rejoined channel #second", 120s)) << bot.DisplayOutput();
  IrcTestClient watcher(NgircdServer::Host(), server.Port(), "watcher");
  for (const std::string channel : {"#room", "#second"}) {
    watcher.Send("NAMES " + channel);
    auto names = watcher.WaitFor(" 353 watcher ");
    ASSERT_TRUE(names);
    EXPECT_NE(names->find("ZelmoBot"), std::string::npos) << *names;
  }

  // One line a wait, counted from 1; the waits themselves are the
  // back-off's own tests.
  const std::regex wait_line(R"(Reconnecting to 127\.0\.0\.1 in \d+ s \(attempt (\d+)\))");
  int attempts = 0;
  for (const auto& text : bot.DisplayTexts()) {
    std::smatch match;
    if (std::regex_match(text, match, wait_line)) {
      EXPECT_EQ(std::stoi(match[1]), ++attempts) << text;
    }
  }
  EXPECT_GE(attempts, 4) << bot.DisplayOutput();
  EXPECT_EQ(bot.CountDisplay("Connected to 127.0.0.1."), 2);
}

}  // namespace
}  // namespace zelmo::testing
