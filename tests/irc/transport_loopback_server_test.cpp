#include <gtest/gtest.h>
#include <sys/socket.h>

#include <algorithm>
#include <memory>
#include <string>

#include "transport_fixture.h"

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

using LoopbackServerTest = TransportTest;

// A channel that takes all the socket has and hands it out a line at a
// time, as TLS hands out one record while holding the next.
class LineAtATimeChannel : public PeerChannel {
 public:
  explicit LineAtATimeChannel(int fd) : fd_(fd) {}
  long Receive(char* into, std::size_t size) override {
    char chunk[4096];
    ssize_t got = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
    if (got > 0) held_.append(chunk, static_cast<std::size_t>(got));
    if (got == 0 && held_.empty()) return -1;
    if (held_.empty()) return 0;
    std::size_t line_end = held_.find('\n');
    std::size_t count = std::min(line_end == std::string::npos ? held_.size() : line_end + 1, size);
    held_.copy(into, count);
    held_.erase(0, count);
    return static_cast<long>(count);
  }
  long Send(std::string_view bytes) override {
    ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    return sent >= 0 ? sent : (errno == EAGAIN ? 0 : -1);
  }
  bool Buffered() const override { return !held_.empty(); }

 private:
  int fd_;
  std::string held_;
};

// The second line is in the channel, not in the socket: reading it must not
// wait for the socket to show more.
TEST_F(LoopbackServerTest, AChannelsHeldBytesAreReadWithoutWaitingForTheSocket) {
  server.SetChannel([](int fd) { return std::make_unique<LineAtATimeChannel>(fd); });
  Connect();
  client.SendText("one\r\ntwo\r\n");
  EXPECT_EQ(peer->ReadLine(), "one");
  EXPECT_EQ(peer->ReadLine(500ms), "two");
  ASSERT_TRUE(peer->SendLine("back"));
  EXPECT_EQ(client.ReceiveLine(), "back");
}

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
