#include <gtest/gtest.h>

#include <string>

#include "transport_fixture.h"

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

using LoopbackServerTest = TransportTest;

TEST_F(LoopbackServerTest, AcceptWithoutAClientEndsEmpty) {
  EXPECT_EQ(server.Accept(20ms), nullptr);
}

TEST_F(LoopbackServerTest, ReadsLinesBytesAndTheRestUntilTheClientCloses) {
  Connect();
  client.SendText("one\r\ntwo\nthree");
  EXPECT_EQ(peer->ReadLine(), "one");
  EXPECT_EQ(peer->ReadBytes(4), "two\n");
  EXPECT_EQ(peer->ReadLine(20ms), std::nullopt);  // no LF yet: the wait runs out
  client.CloseLink();
  EXPECT_EQ(peer->ReadUntilClosed(), "three");
  EXPECT_TRUE(peer->WaitClosed());
  EXPECT_EQ(peer->ReadLine(20ms), std::nullopt);
}

TEST_F(LoopbackServerTest, CloseKeepsWhatTheClientSentAndEndsGracefully) {
  Connect();
  client.SendLine("unread");
  // Wait until the line is there, so that closing has something to keep.
  ASSERT_EQ(peer->ReadBytes(2), "un");
  peer->Close();
  EXPECT_TRUE(peer->Closed());
  EXPECT_EQ(peer->ReadLine(), "read");
  EXPECT_FALSE(peer->Send("late"));
  EXPECT_THROW(client.ReceiveLine(), EIdConnClosedGracefully);
}

TEST_F(LoopbackServerTest, AScriptRunsBesideTheTestAndStopEndsItsWaits) {
  std::string got;
  server.Run([&got](LoopbackServer& self) {
    auto peer = self.Accept();
    if (!peer) return;
    got = peer->ReadLine().value_or("(none)");
    peer->SendLine("answer");
    // Stays in a long wait until Stop() wakes it.
    got += peer->ReadLine(60s).has_value() ? "+more" : "+stopped";
  });
  client.OpenLink();
  client.SendLine("question");
  EXPECT_EQ(client.ReceiveLine(), "answer");
  server.Stop();
  EXPECT_EQ(got, "question+stopped");
  EXPECT_EQ(server.Accept(20ms), nullptr);
}

}  // namespace
}  // namespace zelmo::testing
