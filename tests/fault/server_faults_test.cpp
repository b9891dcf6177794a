#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <thread>

#include "fault_fixture.h"
#include "support/irc_test_client.h"
#include "support/ngircd_server.h"
#include "support/process_probe.h"

// What a server can do to the bot's link: kill it, reset it, cut a line in
// half, trickle, flood it with garbage, send bytes that are no text and
// lines with more parameters than the parser keeps. The bot must survive
// every one of them, stay idle afterwards, answer the next PING, and repair
// a lost link exactly once.

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kReconnectWait = 10s;

using ServerFaults = FaultTest;

// Valid UTF-8 as far as a terminal cares: every lead byte is followed by
// as many continuation bytes as it announces.
bool IsUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80    ? 1
                         : lead >= 0xF0 ? 4
                         : lead >= 0xE0 ? 3
                         : lead >= 0xC2 ? 2
                                        : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

// Every line of the display output is safe for a terminal: valid UTF-8
// without control characters.
void ExpectTerminalSafe(const std::vector<std::string>& texts) {
  for (const auto& text : texts) {
    EXPECT_TRUE(IsUtf8(text)) << text;
    for (unsigned char c : text) {
      EXPECT_TRUE(c >= 0x20 && c != 0x7F) << "control byte " << int(c) << " in: " << text;
    }
  }
}

TEST_F(ServerFaults, AResetLinkIsRepairedOnceAndTheChannelsAreRejoined) {
  StartBot();
  ConnectBot();
  JoinBot("#room");
  JoinBot("#two");
  link->Reset();

  auto again = server.Accept(kReconnectWait);
  ASSERT_TRUE(again) << "no reconnection after a reset";
  link = std::move(again);
  ASSERT_TRUE(Register());
  // The rejoin: one JOIN a second, in the order the channels were joined.
  EXPECT_EQ(link->AwaitLineStarting("JOIN ", 10s), "JOIN #room");
  EXPECT_EQ(link->AwaitLineStarting("JOIN ", 10s), "JOIN #two");
  Answers();
  EXPECT_EQ(bot->CountDisplay("Disconnected from 127.0.0.1. I were on 2 channel(s)"), 1);
  EXPECT_EQ(bot->CountDisplay("Connected to 127.0.0.1."), 2);
  ExpectIdle();
}

// A reconnection that the server drops again, before its welcome or right
// after it (a ban checked after registration, a services kill), is not
// repeated: a bot that retried would hammer a server that refuses it. The
// display says so, and the operator can still bring the bot back.
TEST_F(ServerFaults, AReconnectionThatDoesNotHoldIsNotRepeated) {
  StartBot();
  ConnectBot();
  for (const bool welcomed : {false, true}) {
    SCOPED_TRACE(welcomed ? "dropped after the welcome" : "dropped before the welcome");
    const int failures = bot->CountDisplay("Type CONNECT to try again");
    link->Close();
    link = server.Accept(kReconnectWait);
    ASSERT_TRUE(link) << "no reconnection after the server closed";
    if (welcomed) {
      ASSERT_TRUE(Register());
    }
    link->Close();
    ASSERT_TRUE(bot->AwaitDisplay("Automatic reconnection failed: ", 5s)) << bot->DisplayOutput();
    EXPECT_EQ(server.Accept(3s), nullptr) << "the bot reconnected a second time on its own";
    EXPECT_EQ(bot->CountDisplay("Type CONNECT to try again"), failures + 1);
    ExpectIdle();
    ConnectBot();
  }
  EXPECT_TRUE(
      bot->AwaitDisplay("Automatic reconnection failed: the link was lost 0 s after the "
                        "server's welcome. Type CONNECT to try again",
                        5s))
      << bot->DisplayOutput();
}

TEST_F(ServerFaults, ALinkClosedInTheMiddleOfALineDropsTheFragment) {
  StartBot();
  ConnectBot();
  ASSERT_TRUE(link->Send(":alice!a@h PRIVMSG " + nick + " :hello-fragment"));
  link->Close();
  auto again = server.Accept(kReconnectWait);
  ASSERT_TRUE(again) << "no reconnection after a cut line";
  link = std::move(again);
  ASSERT_TRUE(Register());
  Answers();
  EXPECT_EQ(bot->CountDisplay("hello-fragment"), 0) << "a cut line was handled";
  ExpectIdle();
}

TEST_F(ServerFaults, LinesTrickledOneByteAtATimeAreHandledWhole) {
  StartBot();
  ConnectBot();
  const std::string bytes = "PING :trickle\r\n:alice!a@h PRIVMSG " + nick +
                            " :help;login\r\n:alice!a@h PRIVMSG " + nick + " :\001VERSION\001\n";
  for (char c : bytes) {
    ASSERT_TRUE(link->Send(std::string_view(&c, 1)));
    std::this_thread::sleep_for(2ms);
  }
  auto answers = Answers();
  ASSERT_EQ(answers.size(), 3u) << ::testing::PrintToString(answers);
  EXPECT_EQ(answers[0], "PONG :trickle");
  EXPECT_EQ(answers[1].rfind("PRIVMSG alice :", 0), 0u) << answers[1];
  EXPECT_EQ(answers[2], "NOTICE alice :\001VERSION ZelmoBot v0.5\001");
  ExpectIdle();
}

// 50 MB of random bytes in lines of every length, some far over the 16384
// bytes the bot accepts, one of several megabytes, none of them IRC.
std::string Garbage() {
  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> short_length(0, 2000);
  std::uniform_int_distribution<int> long_length(16385, 200000);
  std::string garbage;
  garbage.reserve(51 << 20);
  auto line = [&](std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
      char c = static_cast<char>(byte(random));
      garbage += c == '\n' ? 'x' : c;
    }
    garbage += '\n';
  };
  line(5 << 20);
  for (int i = 0; garbage.size() < (50u << 20); ++i) {
    line(i % 50 == 0 ? long_length(random) : short_length(random));
  }
  return garbage;
}

TEST_F(ServerFaults, FiftyMegabytesOfGarbageAndOverlongLinesLeaveTheLinkWorking) {
  StartBot();
  ConnectBot();
  JoinBot("#room");
  ASSERT_TRUE(link->Send(Garbage(), 120s)) << "the bot stopped reading";
  auto answers = Sync(120s);
  ASSERT_TRUE(answers) << "no PONG after the garbage";
  EXPECT_EQ(server.Accept(100ms), nullptr) << "the garbage broke the link";
  EXPECT_TRUE(bot->AwaitDisplay("Dropped a server line: Max line length exceeded.", 1s));
  // The bot still works as a channel bot.
  ASSERT_TRUE(From("alice", "a@h", "PRIVMSG #room :!tv 5"));
  EXPECT_EQ(PrivmsgsTo(Answers(), "#room"),
            std::vector<std::string>{"TV: Error - Unknown channel 5"});
  ExpectIdle();
}

TEST_F(ServerFaults, NulBytesAndInvalidUtf8NeitherBreakTheBotNorReachTheTerminal) {
  dir.Write("Users.ini", "[speaker]\nPassword=s\nRights_General=1\n[Address]\nsp@h=speaker\n");
  StartBot();
  ConnectBot();
  JoinBot("#room");
  using namespace std::string_literals;
  ASSERT_TRUE(Tell("alice", "a@h", "he\0llo\xff\xfe\x1b[2J"s));
  ASSERT_TRUE(From("alice", "a@h", "PRIVMSG #room :caf\xc3 \x80\x01x"s));
  ASSERT_TRUE(From("alice", "a@h", "NICK al\xffice\x07"s));
  ASSERT_TRUE(Tell("speaker", "sp@h", "say;#room;one\rQUIT :two\0three"s));
  auto answers = Answers();
  ASSERT_EQ(answers.size(), 2u) << ::testing::PrintToString(answers);
  EXPECT_EQ(answers[0], "PRIVMSG alice :Unknown command");
  // One line: the carriage return and the NUL went out as blanks.
  EXPECT_EQ(answers[1], "PRIVMSG #room :one QUIT :two three");
  ASSERT_TRUE(bot->AwaitDisplay("-> #room: one", 2s));
  auto texts = bot->DisplayTexts();
  ExpectTerminalSafe(texts);
  EXPECT_EQ(bot->CountDisplay("PRIVMSG/alice: he^@llo"), 1) << ::testing::PrintToString(texts);
  EXPECT_EQ(bot->CountDisplay("-> #room: one^MQUIT :two^@three"), 1);
  EXPECT_EQ(bot->CountDisplay("ice^G"), 1);
  ExpectIdle();
}

TEST_F(ServerFaults, LinesWithSixtyParametersAreHandledWithoutHarm) {
  StartBot();
  ConnectBot();
  JoinBot("#room");
  std::string names, modes = "+";
  for (int i = 1; i <= 60; ++i) {
    names += " n" + std::to_string(i);
    modes += i % 2 ? 'o' : 'v';
  }
  ASSERT_TRUE(From("alice", "a@h", "MODE #room " + modes + names));
  ASSERT_TRUE(From("alice", "a@h", "MODE #room -" + modes.substr(1) + names));
  ASSERT_TRUE(From("alice", "a@h", "PRIVMSG #room" + names));
  ASSERT_TRUE(From("alice", "a@h", "KICK #room" + names));
  ASSERT_TRUE(From("alice", "a@h", "JOIN #room" + names));
  ASSERT_TRUE(link->SendLine(":irc.fault.test 353 " + nick + " = #room :" + names));
  ASSERT_TRUE(From("alice", "a@h", "PRIVMSG #room :!tv" + names));
  EXPECT_EQ(PrivmsgsTo(Answers(), "#room"),
            std::vector<std::string>{"TV: Error - Unknown channel N1"});
  ExpectIdle();
}

// Servers and bouncers relay nicks that begin with "#": a private message
// from one looks like a channel message without a channel record. Nothing
// is kicked or run, and the bot goes on.
TEST_F(ServerFaults, ASenderNickBeginningWithHashIsNeitherKickedNorAnswered) {
  StartBot();
  ConnectBot();
  for (const std::string text : {"!op", "\x03red", "\001ACTION !word x\001"}) {
    ASSERT_TRUE(Tell("#evil", "e@h", text));
    auto answers = Sync();
    ASSERT_TRUE(answers) << "the bot did not survive: " << text;
    EXPECT_EQ(*answers, std::vector<std::string>{}) << text;
  }
  ExpectIdle();
}

// A server's own messages (InspIRCd sends its notices as PRIVMSG from its
// name) have no nick to answer: a reply to an empty target is refused. They
// are shown with the server's name and never answered, CTCP included.
TEST_F(ServerFaults, AMessageFromTheServersOwnPrefixIsShownAndNotAnswered) {
  StartBot();
  ConnectBot();
  JoinBot("#room");
  const std::string from = ":" + kFaultServer + " PRIVMSG ";
  for (const std::string& line : std::vector<std::string>{
           nick + " :hello", nick + " :\001VERSION\001", "#room :!op", "#room :\0034red"}) {
    ASSERT_TRUE(link->SendLine(from + line));
    EXPECT_EQ(Answers(), std::vector<std::string>{}) << line;
  }
  // The display reaches the test through a pipe, which may lag behind the
  // link under load.
  for (const std::string shown : {": hello", ": ^AVERSION^A"}) {
    EXPECT_TRUE(bot->AwaitDisplay("PRIVMSG/" + kFaultServer + shown, kIrcWait)) << shown;
    EXPECT_EQ(bot->CountDisplay("PRIVMSG/" + kFaultServer + shown), 1) << shown;
  }
}

// A server without capabilities tells an account only in WHOIS: a login
// without a password asks for it, and the account counts only for the
// address that asked.
TEST_F(ServerFaults, ALoginWithoutPasswordAsksTheServerForTheAccount) {
  dir.Write("Users.ini", "[Alice]\nPassword=a-pw\nRights_General=0\nAccount=alice_acct\n");
  StartBot("[Users]\nAccountLogin=1\n");
  ConnectBot();
  struct Round {
    std::string nick, address, answer;
  };
  const Round rounds[] = {{"alice", "al@h", "Login: Logged on"},
                          {"mallory", "m@h", "Login: Error - Not enough parameters"}};
  for (const Round& round : rounds) {
    ASSERT_TRUE(Tell(round.nick, round.address, "login;Alice"));
    EXPECT_EQ(Answers(), std::vector<std::string>{"WHOIS " + round.nick});
    for (const std::string& line : {"311 " + nick + " " + round.nick + " al h * :A",
                                    "330 " + nick + " " + round.nick + " alice_acct :is logged in",
                                    "318 " + nick + " " + round.nick + " :End of WHOIS list"}) {
      ASSERT_TRUE(link->SendLine(":" + kFaultServer + " " + line));
    }
    EXPECT_EQ(PrivmsgsTo(Answers(), round.nick), std::vector<std::string>{round.answer});
  }
  EXPECT_NE(dir.Read("Users.ini").find("al@h=Alice"), std::string::npos) << dir.Read("Users.ini");
}

// The IRC operator of a real server kills the bot: it reconnects once and
// rejoins both of its channels, which the other members see.
TEST(ServerKill, KilledByAnOperatorTheBotReconnectsAndRejoins) {
  if (!NgircdServer::Available()) GTEST_SKIP() << "ngircd is not installed";
  NgircdServer ngircd;
  TempDir dir;
  dir.Write("Config.ini", LoopbackConfig(ngircd.Port()));
  dir.Write("Users.ini", "[owner]\nPassword=secret\nRights_General=2\n");
  BotProcess bot(HeadlessBot(dir.Path()));
  ASSERT_TRUE(bot.AwaitDisplay("Type \"Connect\"", 10s));
  bot.Command("connect");
  ASSERT_TRUE(bot.AwaitDisplay("Connected to 127.0.0.1.", 10s));

  IrcTestClient owner(NgircdServer::Host(), ngircd.Port(), "owner");
  owner.JoinChannel("#room");
  owner.Send("PRIVMSG ZelmoBot :login;owner;secret");
  ASSERT_TRUE(owner.WaitFor("Login: Logged on"));
  owner.Send("PRIVMSG ZelmoBot :join;#room");
  owner.Send("PRIVMSG ZelmoBot :join;#second");
  ASSERT_TRUE(owner.WaitFor("Joined channel #second"));
  // The bot's JOIN may have come before or after that answer. After the kill
  // the bot may come back under its alternative nick.
  auto bot_joined = [](const std::string& line) {
    return line.rfind(":ZelmoBot", 0) == 0 && line.find(" JOIN :#room") != std::string::npos;
  };
  ASSERT_TRUE(std::any_of(owner.seen.begin(), owner.seen.end(), bot_joined) ||
              owner.WaitFor(bot_joined));

  IrcTestClient oper(NgircdServer::Host(), ngircd.Port(), "oper");
  oper.BecomeOperator();
  oper.Send("KILL ZelmoBot :fault test");
  ASSERT_TRUE(owner.WaitFor([](const std::string& line) {
    return line.find("ZelmoBot!") != std::string::npos && line.find(" QUIT ") != std::string::npos;
  }));
  // Back on the server, and in #room again within the rejoin's few seconds.
  auto rejoined = owner.WaitFor(bot_joined, 15000);
  ASSERT_TRUE(rejoined);
  const std::string bot_nick = rejoined->substr(1, rejoined->find('!') - 1);
  ASSERT_TRUE(bot.AwaitDisplay("-> Rejoined channel #second", 10s));
  EXPECT_EQ(bot.CountDisplay("Disconnected from 127.0.0.1. I were on 2 channel(s)"), 1);
  EXPECT_EQ(bot.CountDisplay("Connected to 127.0.0.1."), 2);
  // Alive and answering on the new link.
  owner.Send("PRIVMSG " + bot_nick + " :\001PING 4711\001");
  EXPECT_TRUE(owner.WaitFor("NOTICE owner :\001PING 4711\001"));
  auto share = CpuShareOver(bot.Pid(), 1500ms);
  ASSERT_TRUE(share);
  EXPECT_LT(*share, 0.25);
}

}  // namespace
}  // namespace zelmo::testing
