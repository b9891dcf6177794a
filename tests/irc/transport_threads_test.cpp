#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <exception>
#include <string>
#include <thread>

#include "transport_fixture.h"

namespace zelmo::testing {
namespace {

using TransportThreads = TransportTest;
using namespace std::chrono_literals;

// How a reader ends when its link is closed under it: inside ReceiveLine it
// sees the close; if it was between two calls, its next call finds no link.
bool IsEndOfLink(const std::string& error) {
  return error == "Connection Closed Gracefully." || error == "Not Connected";
}

// Runs ReceiveLine on a thread of its own until it fails, the way the IRC
// reader does; keeps the lines and the error text.
class Reader {
 public:
  explicit Reader(TIdTCPConnection& connection)
      : thread_([this, &connection] {
          for (int i = 0; i < 100000; ++i) {
            try {
              connection.ReceiveLine();
              lines_++;
            } catch (const EIdException& error) {
              error_ = error.what();
              break;
            }
          }
        }) {}
  ~Reader() { Join(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  // Waits (bounded) until the reader has taken count lines.
  bool WaitForLines(int count) {
    for (int i = 0; i < 5000 && lines_ < count; ++i) std::this_thread::sleep_for(1ms);
    return lines_ >= count;
  }
  const std::string& Error() const { return error_; }  // after Join

 private:
  std::atomic<int> lines_{0};
  std::string error_;
  std::thread thread_;
};

TEST_F(TransportThreads, CloseLinkWakesAReaderBlockedInReceiveLine) {
  for (int round = 0; round < 10; ++round) {
    events.Clear();
    Connect();
    Reader reader(client);
    peer->Send("first\n");
    ASSERT_TRUE(reader.WaitForLines(1));
    // The reader is now (almost certainly) waiting for the next line.
    client.CloseLink();
    reader.Join();
    EXPECT_TRUE(IsEndOfLink(reader.Error())) << reader.Error();
    EXPECT_EQ(disconnected(), 1);
    EXPECT_FALSE(client.IsLinkUp());
    EXPECT_TRUE(peer->WaitClosed());
  }
}

TEST_F(TransportThreads, APeerCloseNoticedByTwoThreadsFiresOnce) {
  for (int round = 0; round < 20; ++round) {
    events.Clear();
    Connect();
    Reader reader(client);
    peer->Close();
    // The sending side races the reader to notice the close.
    for (int i = 0; i < 20000 && client.IsLinkUp(); ++i) {
      try {
        client.SendLine("PING :x");
      } catch (const EIdException&) {
      }
    }
    reader.Join();
    EXPECT_FALSE(client.IsLinkUp());
    EXPECT_EQ(disconnected(), 1) << "round " << round;
    client.CloseLink();
    EXPECT_EQ(disconnected(), 1);
  }
}

TEST_F(TransportThreads, CloseLinkRacingTheReadersOwnNoticeFiresOnce) {
  for (int round = 0; round < 20; ++round) {
    events.Clear();
    Connect();
    Reader reader(client);
    peer->Close();
    client.CloseLink();
    reader.Join();
    EXPECT_EQ(disconnected(), 1) << "round " << round;
    EXPECT_TRUE(IsEndOfLink(reader.Error())) << reader.Error();
  }
}

TEST_F(TransportThreads, ASendAfterAResetRaisesTheSocketError) {
  Connect();
  peer->Reset();
  int code = 0;
  for (int i = 0; i < 5000 && code == 0; ++i) {
    try {
      client.SendLine("x");
      std::this_thread::sleep_for(1ms);
    } catch (const EIdSocketError& error) {
      code = error.LastError();
    }
  }
  EXPECT_TRUE(code == 10054 || code == 10058) << code;
  EXPECT_EQ(disconnected(), 1);
  EXPECT_FALSE(client.IsLinkUp());
  // Once closed, further sends report the closed link instead.
  EXPECT_EQ(RaisedText([&] { client.SendLine("x"); }), "Connection Closed Gracefully.");
  client.CloseLink();
  EXPECT_EQ(disconnected(), 1);
}

TEST_F(TransportThreads, ASendTimeoutEndsASendToAPeerThatStoppedReading) {
  Connect();
  client.SetSendTimeout(200);
  const std::string block(64 * 1024, 'x');
  int code = 0;
  // The peer reads nothing: the buffers fill and a send has to wait. Gives
  // up after 4,000 blocks (256 MB), far more than any socket buffers.
  for (int i = 0; i < 4000 && code == 0; ++i) {
    try {
      client.SendText(block);
    } catch (const EIdSocketError& error) {
      code = error.LastError();
    }
  }
  EXPECT_EQ(code, 10035);
  EXPECT_TRUE(client.IsLinkUp());
}

TEST_F(TransportThreads, ConcurrentSendsOnAResetLinkFireOnce) {
  for (int round = 0; round < 5; ++round) {
    events.Clear();
    Connect();
    Reader reader(client);
    std::atomic<int> failed{0};
    auto sender = [&] {
      for (int i = 0; i < 5000; ++i) {
        try {
          client.SendLine("PRIVMSG #room :hello");
        } catch (const EIdException&) {
          failed++;
          return;
        }
        std::this_thread::sleep_for(100us);
      }
    };
    std::thread first(sender), second(sender);
    peer->Reset();
    first.join();
    second.join();
    reader.Join();
    EXPECT_EQ(failed, 2);
    EXPECT_EQ(disconnected(), 1) << "round " << round;
    EXPECT_FALSE(client.IsLinkUp());
  }
}

TEST_F(TransportThreads, LinesBeforeAResetAreStillRead) {
  Connect();
  peer->Send("one\ntwo\n");
  // Wait until both lines are in the client's buffer before the reset.
  EXPECT_EQ(client.ReceiveLine(), "one");
  peer->Reset();
  EXPECT_EQ(client.ReceiveLine(), "two");
  std::string error = RaisedText([&] { client.ReceiveLine(); });
  EXPECT_TRUE(error == "Socket Error # 10054\r\nConnection reset by peer." ||
              error == "Connection Closed Gracefully.")
      << error;
  EXPECT_EQ(disconnected(), 1);
  EXPECT_FALSE(client.IsLinkUp());
}

TEST_F(TransportThreads, AReaderOfAnOldLinkNeverTouchesTheNextOne) {
  for (int round = 0; round < 10; ++round) {
    events.Clear();
    Connect();
    std::string taken, error;
    std::thread reader([&] {
      try {
        taken = client.ReceiveLine();
      } catch (const EIdException& raised) {
        error = raised.what();
      }
    });
    // Give the reader time to block on the old link; if it is late, it
    // reads the new link instead, which is as correct.
    std::this_thread::sleep_for(20ms);
    client.CloseLink();
    Connect();
    peer->Send("second\n");
    reader.join();
    if (taken.empty()) {
      EXPECT_TRUE(IsEndOfLink(error)) << error;
      EXPECT_EQ(client.ReceiveLine(), "second");
    } else {
      EXPECT_EQ(taken, "second");
    }
    EXPECT_TRUE(client.IsLinkUp());
    EXPECT_EQ(disconnected(), 1);
    client.CloseLink();
  }
}

}  // namespace
}  // namespace zelmo::testing
