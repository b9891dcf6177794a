#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "fault_fixture.h"
#include "sanitizers.h"

// A server that stops reading costs the bot the link, never the bot: writes
// end after their time limit, the keepalive speaks while a write is stuck,
// SIGTERM ends the bot at once, and one person's flood of commands does not
// hold up the replies to another.

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kLost = "Disconnected from 127.0.0.1. I were on 0 channel(s)";

class SendQueueFaults : public FaultTest {
 protected:
  SendQueueFaults() : FaultTest(4096) {}

  // Where the text stands in the display; the end when it is not there.
  std::ptrdiff_t Position(const std::string& text) const {
    const auto texts = bot->DisplayTexts();
    auto found = std::find_if(texts.begin(), texts.end(), [&](const std::string& shown) {
      return shown.find(text) != std::string::npos;
    });
    return found - texts.begin();
  }
};

// The server keeps talking, so the keepalive is content; only the time
// limit of the stuck write can notice that the server reads nothing.
TEST_F(SendQueueFaults, AWriteThatCannotGoOnLosesTheLinkAndTheBotReconnects) {
  StartBot("PingInterval=2\n");
  ConnectBot();
  StallTheBotsWrites(*link);  // the bot may give the link up meanwhile
  const std::string reason = "No byte could be written to the server within 2 s";
  const auto deadline = Clock::now() + 20s;
  while (!bot->AwaitDisplay(reason, 200ms) && Clock::now() < deadline) {
    link->TrySend("PING :still-here\r\n");
  }
  ASSERT_TRUE(bot->AwaitDisplay(kLost, 5s)) << bot->DisplayOutput();
  EXPECT_LT(Position(reason), Position(kLost));
  EXPECT_EQ(bot->CountDisplay("No reply to PING"), 0);
  link = server.Accept(kIrcWait);
  ASSERT_TRUE(link) << "the bot did not reconnect";
  EXPECT_TRUE(Register());
}

// With the UI thread never waiting on the socket, the first SIGTERM is
// enough, paced or not; the QUIT gets a few seconds and is given up.
TEST_F(SendQueueFaults, SigtermEndsTheBotWithinSecondsWhileItsWritesAreStuck) {
  for (const std::string pace : {"SendInterval=0\n", "SendInterval=1000\n"}) {
    SCOPED_TRACE(pace);
    StartBot(pace);
    ConnectBot();
    ASSERT_TRUE(StallTheBotsWrites(*link)) << "the bot's writes did not stall";
    bot->Signal(SIGTERM);
    EXPECT_EQ(bot->WaitExit(6s), 0) << bot->DisplayOutput();
    bot.reset();
    link.reset();
  }
}

// Every write of the bot is held from shortly after it connects, so its
// PING never leaves; the keepalive runs apart from the stuck writer.
TEST_F(SendQueueFaults, TheKeepaliveLosesASilentLinkWhileAWriteIsStuck) {
  if (kAddressSanitizer) GTEST_SKIP() << "the slow link cannot be loaded first";
  StartBot("PingInterval=2\nSendInterval=1000\n",
           SlowLink({"ZELMO_FAULT_SEND_HANG_AFTER_MS=1500"}));
  ConnectBot();
  const std::string reason = "No reply to PING within 2 s";
  ASSERT_TRUE(bot->AwaitDisplay(kLost, 10s)) << bot->DisplayOutput();
  EXPECT_LT(Position(reason), Position(kLost)) << bot->DisplayOutput();
  auto rest = link->ReadUntilClosed(5s);
  ASSERT_TRUE(rest);
  EXPECT_EQ(rest->find("PING :ZelmoBot"), std::string::npos) << "the PING was written";
}

TEST_F(SendQueueFaults, OnePersonRepeatingHelpDoesNotHoldUpAnothersReply) {
  StartBot("SendBurst=1\nSendInterval=200\n");
  ConnectBot();
  // 30 helps: 90 lines and 30 pauses of 1.5 s, a minute of replies.
  for (int n = 0; n < 30; ++n) ASSERT_TRUE(Tell("flooder", "f@flood.example", "help"));
  ASSERT_TRUE(link->AwaitLine(
      [](const std::string& line) { return line.starts_with("PRIVMSG flooder :"); }));
  const auto asked = Clock::now();
  ASSERT_TRUE(Tell("other", "o@other.example", "help;login"));
  auto reply = link->AwaitLine(
      [](const std::string& line) { return line.starts_with("PRIVMSG other :"); }, 10s);
  ASSERT_TRUE(reply) << "no reply to the other person";
  EXPECT_EQ(*reply,
            "PRIVMSG other :Login: Use as privmsg. \"login;<nick>;<pass>\". You have to "
            "login each time your hostmask changes.");
  EXPECT_LT(Clock::now() - asked, 3s);
}

}  // namespace
}  // namespace zelmo::testing
