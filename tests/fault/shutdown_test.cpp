#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <thread>

#include "fault_fixture.h"
#include "sanitizers.h"

// A service manager stops the bot with SIGTERM. While connected it says
// goodbye with its quit message and exits 0; when the goodbye cannot go out
// because the server stopped reading, a second SIGTERM still ends it.

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

using Shutdown = FaultTest;

TEST_F(Shutdown, SigtermWhileConnectedSendsQuitWithTheQuitMessageAndExitsZero) {
  StartBot("Quitmsg=Off for maintenance\n");
  ConnectBot();
  JoinBot("#room");
  bot->Signal(SIGTERM);
  EXPECT_EQ(link->AwaitLineStarting("QUIT", kIrcWait), "QUIT :Off for maintenance");
  EXPECT_EQ(bot->WaitExit(10s), 0);
  EXPECT_TRUE(link->WaitClosed(5s));
  EXPECT_EQ(bot->ErrorOutput(), "");
}

TEST_F(Shutdown, ASecondSigtermEndsTheBotWhenTheQuitCannotBeSent) {
  if (kThreadSanitizer) {
    // ThreadSanitizer defers a signal handler until the thread that took
    // the signal comes out of the system call it is blocked in; here both
    // of the bot's threads stay blocked (the user-interface thread sending
    // to the stalled server, the reader waiting for it).
    GTEST_SKIP() << "signal handlers are deferred under ThreadSanitizer";
  }
  LoopbackServer deaf(4096);
  dir.Write("Config.ini", LoopbackConfig(deaf.Port()));
  bot = std::make_unique<BotProcess>(HeadlessBot(dir.Path()));
  ASSERT_TRUE(bot->AwaitDisplay("Type \"Connect\"", 10s));
  bot->Command("connect");
  auto peer = deaf.Accept(kIrcWait);
  ASSERT_TRUE(peer);
  ASSERT_TRUE(RegisterIrcClient(*peer, kFaultServer));
  ASSERT_TRUE(StallTheBotsWrites(*peer)) << "the bot's writes did not stall";
  bot->Signal(SIGTERM);
  std::this_thread::sleep_for(500ms);
  bot->Signal(SIGTERM);
  // Gives up after 10 s: a bot that hangs in its shutdown stays.
  EXPECT_EQ(bot->WaitExit(10s), 0);
}

}  // namespace
}  // namespace zelmo::testing
