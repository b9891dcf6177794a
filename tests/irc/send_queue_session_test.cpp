#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "irc/session/irc_client.h"
#include "support/loopback_server.h"
#include "support/recording_irc_events.h"
#include "support/recording_port.h"

namespace zelmo {
namespace {

using std::chrono::milliseconds;
using testing::LoopbackPeer;
using testing::LoopbackServer;
using testing::RecordingIrcEvents;
using testing::RecordingPort;
using Clock = std::chrono::steady_clock;

// A registered client whose sends are paced.
class PacedSession : public ::testing::Test {
 protected:
  PacedSession() {
    irc.Host = LoopbackServer::Host();
    irc.Port = server.Port();
    // Unpaced and without keepalive, unlike a configured bot.
    irc.SendInterval = 0;
    irc.PingInterval = 0;
    irc.SetNick("ZelmoBot");
    irc.SetUiPoster([this](std::function<void()> task) { port.PostToUiThread(std::move(task)); });
    irc.SetEvents(events);
  }
  ~PacedSession() override {
    irc.Stop();
    server.Stop();
  }
  void Register() {
    irc.Connect();
    ASSERT_TRUE(port.PumpUntil([this] { return !irc.Connecting(); }));
    peer = server.Accept();
    ASSERT_NE(peer, nullptr);
    ASSERT_TRUE(peer->AwaitLineStarting("USER "));
    peer->SendLine(":irc.test 001 ZelmoBot :Welcome");
    ASSERT_TRUE(port.PumpUntil([this] { return irc.ConnectionState() == stConnected; }));
  }

  LoopbackServer server;
  std::shared_ptr<LoopbackPeer> peer;
  RecordingPort port;
  RecordingIrcEvents events;
  TIdIRC irc;
};

TEST_F(PacedSession, LinesGoAtThePaceInOrderAndAPongOvertakesThem) {
  irc.SendBurst = 2;
  irc.SendInterval = 1000;
  Register();
  // The registration took the burst; the bucket refills meanwhile.
  std::this_thread::sleep_for(milliseconds(2100));
  const auto start = Clock::now();
  for (int n = 1; n <= 5; ++n) irc.Say("#room", "line " + std::to_string(n));
  // Nobody waited for the pace.
  EXPECT_LT(Clock::now() - start, milliseconds(300));
  std::vector<std::string> lines;
  std::vector<Clock::duration> arrivals;
  for (int n = 0; n < 3; ++n) {
    auto line = peer->ReadLine();
    ASSERT_TRUE(line);
    lines.push_back(*line);
    arrivals.push_back(peer->LastLineArrival() - start);
  }
  peer->SendLine("PING :now");
  ASSERT_TRUE(port.PumpUntil([this] { return events.Arguments("OnSend").back() == "PONG :now"; }));
  for (int n = 0; n < 3; ++n) {
    auto line = peer->ReadLine();
    ASSERT_TRUE(line);
    lines.push_back(*line);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"PRIVMSG #room :line 1", "PRIVMSG #room :line 2",
                                             "PRIVMSG #room :line 3", "PONG :now",
                                             "PRIVMSG #room :line 4", "PRIVMSG #room :line 5"}));
  EXPECT_LT(arrivals[1], milliseconds(300));
  EXPECT_GE(arrivals[2], milliseconds(900));
}

TEST_F(PacedSession, TheQuitOfAClosingProgramGoesAheadOfTheQueue) {
  irc.SendBurst = 2;
  irc.SendInterval = 10000;
  Register();
  irc.Say("#room", "queued");
  irc.QuitAtOnce("bye");
  EXPECT_EQ(peer->AwaitLineStarting("QUIT", milliseconds(2000)), "QUIT :bye");
}

}  // namespace
}  // namespace zelmo
