#include <signal.h>

#include <chrono>
#include <string>

#include "fault_fixture.h"

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kPrompt = 2s;
// The bot gives a server 5 s to answer its TLS hello.
constexpr auto kNoAnswer = 10s;

using ConnectFaults = FaultTest;

bool ErrorBoxSays(BotProcess& bot, const std::string& text) {
  return bot.Await(
      [&](const ProcessOutput& output) {
        return output.err.find("ZelmoBot: " + text) != std::string::npos;
      },
      kNoAnswer);
}

// A server that takes the connection and never answers the TLS hello holds
// up neither the console nor the end of the program: a connect under way
// is cancelled by DISCONNECT and by SIGTERM.
TEST_F(ConnectFaults, AServerThatNeverAnswersTheHandshakeHoldsNothingUp) {
  StartBot("TLS=1\n");
  bot->Command("connect");
  bot->Command("comment;still here");
  EXPECT_TRUE(bot->AwaitDisplay("Comment by user: still here", kPrompt)) << bot->DisplayOutput();
  EXPECT_TRUE(ErrorBoxSays(*bot, "TLS: the server did not answer with TLS (is this a TLS port?)"))
      << bot->ErrorOutput();

  bot->Command("connect");
  auto first = server.Accept(kPrompt);
  auto second = server.Accept(kPrompt);
  ASSERT_TRUE(first && second);
  EXPECT_TRUE(first->WaitClosed(kPrompt)) << "the failed attempt kept its connection";
  bot->Command("disconnect");
  EXPECT_TRUE(second->WaitClosed(kPrompt)) << "DISCONNECT left the attempt running";

  bot->Command("connect");
  ASSERT_TRUE(server.Accept(kPrompt));
  bot->Signal(SIGTERM);
  EXPECT_EQ(bot->WaitExit(3s), 0) << bot->DisplayOutput();
}

// Only a certificate, a pin or a setting fails the same way every time: a
// handshake that the server cuts short is tried again.
TEST_F(ConnectFaults, ReconnectAlwaysTriesAHandshakeCutShortAgain) {
  StartBot("TLS=1\nAutoConnect=1\nReconnect=always\n");
  auto first = server.Accept(kIrcWait);
  ASSERT_TRUE(first);
  first->Close();
  EXPECT_TRUE(ErrorBoxSays(*bot, "TLS: handshake failed: the server closed the connection."))
      << bot->ErrorOutput();
  EXPECT_TRUE(bot->AwaitDisplay("Reconnecting to 127.0.0.1 in 2 s (attempt 1)", kPrompt))
      << bot->DisplayOutput();
  EXPECT_TRUE(server.Accept(kNoAnswer)) << "not tried again";
}

}  // namespace
}  // namespace zelmo::testing
