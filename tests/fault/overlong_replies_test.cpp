#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/bot_process.h"
#include "support/irc_test_client.h"
#include "support/ngircd_server.h"
#include "support/temp_dir.h"

// Replies longer than an IRC line, against a real server that closes the
// link of a client sending one: they arrive whole, in several messages that
// each fit behind the bot's prefix, and the bot stays connected.

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kRelayedLineBytes = 510;  // 512 with CR LF

std::string WithoutBlanks(std::string text) {
  std::erase(text, ' ');
  return text;
}

// The texts of the bot's messages to the target that the client saw.
std::vector<std::string> BotTexts(const IrcTestClient& client, const std::string& target) {
  std::vector<std::string> texts;
  const std::string head = " PRIVMSG " + target + " :";
  for (const std::string& line : client.seen) {
    if (!line.starts_with(":ZelmoBot!")) continue;
    EXPECT_LE(line.size(), kRelayedLineBytes) << line;
    std::size_t at = line.find(head);
    if (at != std::string::npos) texts.push_back(line.substr(at + head.size()));
  }
  return texts;
}

// Everything the bot answers to the client before its answer to a CTCP
// PING sent after the command: the bot answers in order.
void Command(IrcTestClient& client, const std::string& target, const std::string& text) {
  client.seen.clear();
  client.Send("PRIVMSG " + target + " :" + text);
  client.Send("PRIVMSG ZelmoBot :\001PING sync\001");
  ASSERT_TRUE(client.WaitFor("\001PING sync\001")) << "the bot did not answer";
}

TEST(OverlongReplies, ArriveWholeInSeveralMessagesAndTheBotStaysConnected) {
  if (!NgircdServer::Available()) GTEST_SKIP() << "ngircd is not installed";
  NgircdServer ngircd;
  TempDir dir;
  dir.Write("Config.ini", LoopbackConfig(ngircd.Port()));
  std::string users = "[owner]\nPassword=secret\nRights_General=2\n";
  std::string listed = "Userinfo: Users: owner";
  for (int i = 1; i <= 30; ++i) {
    std::string name = "listed_user_" + std::string(i < 10 ? "00000" : "0000") + std::to_string(i);
    users += "[" + name + "]\nPassword=x\n";
    listed += " " + name;
  }
  dir.Write("Users.ini", users);
  BotProcess bot(HeadlessBot(dir.Path()));
  ASSERT_TRUE(bot.AwaitDisplay("Type \"Connect\"", 10s));
  bot.Command("connect");
  ASSERT_TRUE(bot.AwaitDisplay("Connected to 127.0.0.1.", 10s));

  IrcTestClient owner(NgircdServer::Host(), ngircd.Port(), "owner");
  owner.JoinChannel("#room");
  owner.Send("PRIVMSG ZelmoBot :login;owner;secret");
  ASSERT_TRUE(owner.WaitFor("Login: Logged on"));
  owner.Send("PRIVMSG ZelmoBot :join;#room");
  ASSERT_TRUE(owner.WaitFor("Joined channel #room"));
  // From its JOIN the bot learns its prefix; the JOIN may come before or
  // after that answer.
  auto bot_joined = [](const std::string& line) { return line.starts_with(":ZelmoBot!"); };
  ASSERT_TRUE(std::ranges::any_of(owner.seen, bot_joined) || owner.WaitFor(bot_joined));

  // A 607-byte list of the user file's users.
  ASSERT_GT(listed.size(), 590u);
  Command(owner, "ZelmoBot", "userinfo");
  auto pieces = BotTexts(owner, "owner");
  ASSERT_EQ(pieces.size(), 2u) << ::testing::PrintToString(pieces);
  EXPECT_EQ(pieces[0] + " " + pieces[1], listed);

  // "!tv" with a 470-byte argument of two-byte characters, from a nick short
  // enough that the server relays the whole command to the bot.
  IrcTestClient al(NgircdServer::Host(), ngircd.Port(), "al");
  al.JoinChannel("#room");
  std::string argument = "B";
  while (argument.size() < 470) argument += "\xc3\x84";
  Command(al, "#room", "!tv " + argument);
  pieces = BotTexts(al, "#room");
  ASSERT_GE(pieces.size(), 2u) << ::testing::PrintToString(pieces);
  std::string joined;
  for (const std::string& piece : pieces) {
    ASSERT_FALSE(piece.empty());
    EXPECT_NE(static_cast<unsigned char>(piece[0]) & 0xC0, 0x80) << "a character was cut";
    joined += piece;
  }
  EXPECT_EQ(WithoutBlanks(joined), WithoutBlanks("TV: Error - Unknown channel " + argument));
  EXPECT_EQ(bot.CountDisplay("Disconnected"), 0);

  // Any other line is cut to fit: a long quit message reaches the channel.
  std::string reason;
  while (reason.size() < 600) reason += "\xc3\x84";
  bot.Command("disconnect;" + reason);
  auto quit = owner.WaitFor(" QUIT ");
  ASSERT_TRUE(quit);
  EXPECT_LE(quit->size(), kRelayedLineBytes);
  EXPECT_NE(quit->find(reason.substr(0, 400)), std::string::npos) << *quit;
}

}  // namespace
}  // namespace zelmo::testing
