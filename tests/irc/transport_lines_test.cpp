#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "transport_fixture.h"

namespace zelmo::testing {
namespace {

constexpr const char* kTooLong = "Max line length exceeded.";
constexpr const char* kClosed = "Connection Closed Gracefully.";

using TransportLines = TransportTest;

TEST_F(TransportLines, CrLfAndLfEndLinesAndOnlyTheCrBeforeLfIsDropped) {
  Connect();
  peer->Send("abc\r\ndef\n\na\rb\n\r\n");
  EXPECT_EQ(client.ReceiveLine(), "abc");
  EXPECT_EQ(client.ReceiveLine(), "def");
  EXPECT_EQ(client.ReceiveLine(), "");
  EXPECT_EQ(client.ReceiveLine(), "a\rb");
  EXPECT_EQ(client.ReceiveLine(), "");
}

TEST_F(TransportLines, CrLfSplitAcrossReceivesIsStillOneTerminator) {
  Connect();
  server.Run([peer = peer](LoopbackServer&) {
    peer->Send("abc\r");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    peer->Send("\ndef\n");
  });
  EXPECT_EQ(client.ReceiveLine(), "abc");
  EXPECT_EQ(client.ReceiveLine(), "def");
}

TEST_F(TransportLines, MultiByteTerminatorSplitAcrossReceives) {
  Connect();
  server.Run([peer = peer](LoopbackServer&) {
    peer->Send("a\nb\r");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    peer->Send("\nrest");
  });
  EXPECT_EQ(client.ReceiveLine("\r\n"), "a\nb");
  // An empty terminator means LF.
  peer->Send("\n");
  EXPECT_EQ(client.ReceiveLine(""), "rest");
}

TEST_F(TransportLines, ALineOfExactlyTheMaximumIsReturned) {
  Connect();
  std::string line(16384, 'x');
  peer->Send(line + "\n");
  EXPECT_EQ(client.ReceiveLine(), line);
}

TEST_F(TransportLines, OneByteMoreIsTooLongAndStaysInTheBuffer) {
  Connect();
  peer->Send(std::string(16385, 'x') + "\nnext\n");
  EXPECT_EQ(RaisedText<EIdReadLnMaxLineLengthExceeded>([&] { client.ReceiveLine(); }), kTooLong);
  // Nothing is lost: the bytes stay, so the same line is refused again.
  EXPECT_EQ(RaisedText<EIdReadLnMaxLineLengthExceeded>([&] { client.ReceiveLine(); }), kTooLong);
  EXPECT_TRUE(client.IsLinkUp());
}

TEST_F(TransportLines, ACarriageReturnCountsTowardsTheMaximum) {
  Connect();
  peer->Send(std::string(16384, 'x') + "\r\n");
  EXPECT_EQ(RaisedText([&] { client.ReceiveLine(); }), kTooLong);
}

TEST_F(TransportLines, TooManyBytesWithoutAnyLineFeedAreTooLong) {
  Connect();
  peer->Send(std::string(16385, 'x'));
  EXPECT_EQ(RaisedText([&] { client.ReceiveLine(); }), kTooLong);
}

TEST_F(TransportLines, SmallerMaximaAndNoLimit) {
  Connect();
  client.MaxLineLength = 3;
  peer->Send("abc\nabcd\n");
  EXPECT_EQ(client.ReceiveLine(), "abc");
  EXPECT_EQ(RaisedText([&] { client.ReceiveLine(); }), kTooLong);
  EXPECT_EQ(client.ReceiveLine("\n", -1, 4), "abcd");
  client.MaxLineLength = 0;
  std::string longer(70000, 'y');
  server.Run([peer = peer, longer](LoopbackServer&) { peer->Send(longer + "\n"); });
  EXPECT_EQ(client.ReceiveLine(), longer);
}

TEST_F(TransportLines, SplitHandsOutTheFirstMaximumBytes) {
  Connect();
  client.MaxLineAction = OverlongLineAction::maSplit;
  client.MaxLineLength = 4;
  peer->Send("abcdefghij\nxy\n");
  EXPECT_EQ(client.ReceiveLine(), "abcd");
  EXPECT_TRUE(client.ReadLnSplit());
  EXPECT_EQ(client.ReceiveLine(), "efgh");
  EXPECT_EQ(client.ReceiveLine(), "ij");
  EXPECT_FALSE(client.ReadLnSplit());
  EXPECT_EQ(client.ReceiveLine(), "xy");
}

TEST_F(TransportLines, AnUnterminatedRestBeforeTheCloseIsNeverReturned) {
  Connect();
  peer->Send("one\ntwo");
  peer->Close();
  EXPECT_EQ(client.ReceiveLine(), "one");
  EXPECT_EQ(RaisedText<EIdConnClosedGracefully>([&] { client.ReceiveLine(); }), kClosed);
  EXPECT_EQ(RaisedText<EIdConnClosedGracefully>([&] { client.ReceiveLine(); }), kClosed);
  EXPECT_EQ(disconnected(), 1);
  EXPECT_FALSE(client.IsLinkUp());
}

TEST_F(TransportLines, ALineThatCameBeforeTheCloseIsStillReturned) {
  Connect();
  peer->Send("one\nlast\n");
  peer->Close();
  // Let the close arrive first: wait until the client's socket reports it.
  for (int i = 0; i < 500 && client.FillInputBuffer(false, 10, false) != 0; ++i) {
  }
  EXPECT_EQ(disconnected(), 1);
  EXPECT_FALSE(client.IsLinkUp());
  EXPECT_EQ(client.ReceiveLine(), "one");
  EXPECT_EQ(client.ReceiveLine(), "last");
  EXPECT_EQ(RaisedText([&] { client.ReceiveLine(); }), kClosed);
  EXPECT_EQ(disconnected(), 1);
}

TEST_F(TransportLines, SendLineAddsCrLfToWhateverItIsGiven) {
  Connect();
  client.SendLine("x");
  client.SendLine("y\r\n");
  client.SendText("");
  client.SendText("z");
  client.CloseLink();
  EXPECT_EQ(peer->ReadUntilClosed(), "x\r\ny\r\n\r\nz");
}

TEST_F(TransportLines, ReadTimeoutRaisesOnlyWithTheDefaultTimeoutArgument) {
  Connect();
  client.ReadTimeout = 100;
  EXPECT_EQ(RaisedText<EIdReadTimeout>([&] { client.ReceiveLine(); }), "Read Timeout");
  EXPECT_EQ(client.ReceiveLine("\n", 50), "");
  EXPECT_TRUE(client.ReadLnTimedOut());
  // A partial line survives time-outs and completes later.
  peer->Send("par");
  EXPECT_EQ(client.ReceiveLine("\n", 50), "");
  peer->Send("tial\n");
  client.ReadTimeout = 0;
  EXPECT_EQ(client.ReceiveLine(), "partial");
  EXPECT_FALSE(client.ReadLnTimedOut());
  EXPECT_EQ(client.FillInputBuffer(true, 20, false), -1);
}

TEST_F(TransportLines, ManyLinesAcrossReceivesAndCompaction) {
  Connect();
  client.RecvBufferSize = 1000;  // many receives, each ending mid-line
  std::string stream;
  constexpr int kLines = 4000;
  for (int i = 0; i < kLines; ++i) {
    stream += "line " + std::to_string(i) + std::string(i % 37, '.') + (i % 3 ? "\r\n" : "\n");
  }
  ASSERT_GT(stream.size(), 3 * 32768u);
  server.Run([peer = peer, stream](LoopbackServer&) {
    std::size_t at = 0;
    for (std::size_t piece = 1; at < stream.size(); piece = piece * 7 % 4099 + 1) {
      peer->Send(std::string_view(stream).substr(at, piece));
      at += piece;
    }
  });
  for (int i = 0; i < kLines; ++i) {
    ASSERT_EQ(client.ReceiveLine(), "line " + std::to_string(i) + std::string(i % 37, '.'));
  }
}

TEST_F(TransportLines, AnIdleConnectionIsNotConnected) {
  EXPECT_EQ(RaisedText<EIdNotConnected>([&] { client.ReceiveLine(); }), "Not Connected");
  EXPECT_EQ(RaisedText<EIdNotConnected>([&] { client.SendLine("x"); }), "Not Connected");
  EXPECT_EQ(client.FillInputBuffer(false, 10, false), 0);
  EXPECT_FALSE(client.IsLinkUp());
  client.VerifyLinkOpen(true, true);  // nothing to report without a handler
  EXPECT_EQ(disconnected(), 0);
}

}  // namespace
}  // namespace zelmo::testing
