#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

#include "transport_fixture.h"

namespace zelmo::testing {
namespace {

using TransportConnect = TransportTest;

// A loopback port with a socket bound to it but not listening: connects to
// it are refused for as long as the object lives.
class RefusingPort {
 public:
  RefusingPort() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~RefusingPort() { ::close(fd_); }
  int Port() const { return port_; }

 private:
  int fd_;
  int port_ = 0;
};

// A listener whose accept queue is full, so a further connect hangs until
// its own time-out.
class FullListener {
 public:
  FullListener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length);
    ::listen(fd_, 0);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    for (int i = 0; i < 4; ++i) {
      int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
      ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
      fillers_.push_back(filler);
    }
  }
  ~FullListener() {
    for (int filler : fillers_) ::close(filler);
    ::close(fd_);
  }
  int Port() const { return port_; }

 private:
  int fd_;
  int port_ = 0;
  std::vector<int> fillers_;
};

TEST_F(TransportConnect, OpenAndCloseFireOneEventEach) {
  Connect();
  EXPECT_EQ(connected(), 1);
  EXPECT_TRUE(client.IsLinkUp());
  client.CloseLink();
  EXPECT_EQ(disconnected(), 1);
  EXPECT_FALSE(client.IsLinkUp());
  EXPECT_TRUE(peer->WaitClosed());
  client.CloseLink();  // not up: nothing to report
  EXPECT_EQ(disconnected(), 1);
  EXPECT_EQ(RaisedText<EIdNotConnected>([&] { client.SendLine("x"); }), "Not Connected");
}

TEST_F(TransportConnect, TheLinkIsUpWhileOnConnectedRuns) {
  bool up_in_event = false;
  events.then = [&](const RecordedEvent& event) {
    if (event.name == "OnConnected") up_in_event = client.IsLinkUp();
  };
  Connect();
  EXPECT_TRUE(up_in_event);
}

TEST_F(TransportConnect, OpeningAnOpenLinkRaisesAndLeavesItUp) {
  Connect();
  EXPECT_EQ(RaisedText<EIdAlreadyConnected>([&] { client.OpenLink(); }), "Already connected.");
  EXPECT_EQ(connected(), 1);
  EXPECT_TRUE(client.IsLinkUp());
  client.SendLine("still here");
  EXPECT_EQ(peer->ReadLine(), "still here");
}

TEST_F(TransportConnect, AClosedLinkReopensWithoutCloseLink) {
  Connect();
  peer->Send("old\nunfinished");
  peer->Close();
  EXPECT_EQ(client.ReceiveLine(), "old");
  EXPECT_THROW(client.ReceiveLine(), EIdConnClosedGracefully);
  EXPECT_EQ(disconnected(), 1);

  Connect();
  EXPECT_EQ(connected(), 2);
  // The new link starts with an empty input buffer.
  peer->Send("new\n");
  EXPECT_EQ(client.ReceiveLine(), "new");
  client.CloseLink();
  EXPECT_EQ(disconnected(), 2);
}

TEST_F(TransportConnect, ClosingAClosedLinkFiresNothing) {
  Connect();
  peer->Close();
  EXPECT_THROW(client.ReceiveLine(), EIdConnClosedGracefully);
  client.CloseLink();
  EXPECT_EQ(disconnected(), 1);
}

TEST_F(TransportConnect, LocalhostInLowerCaseIsTheLoopbackAddress) {
  client.Host = "localhost";
  Connect();
  EXPECT_TRUE(client.IsLinkUp());
}

TEST_F(TransportConnect, ARefusedConnectGivesTheExactSocketError) {
  RefusingPort refusing;
  client.Port = refusing.Port();
  try {
    client.OpenLink();
    FAIL() << "connected to a refusing port";
  } catch (const EIdSocketError& error) {
    EXPECT_EQ(error.LastError(), 10061);
    EXPECT_STREQ(error.what(), "Socket Error # 10061\r\nConnection refused.");
  }
  EXPECT_FALSE(client.IsLinkUp());
  EXPECT_EQ(connected(), 0);
  client.CloseLink();
  EXPECT_EQ(disconnected(), 0);
  // The failure leaves nothing behind that blocks the next connect.
  client.Port = server.Port();
  Connect();
  EXPECT_EQ(connected(), 1);
}

TEST_F(TransportConnect, AnUnknownHostIsHostNotFound) {
  // A name service of the test's own, which knows no name.
  client.Resolver = [](const std::string&) { return std::optional<std::string>(); };
  client.Host = "no-such-host.zelmo.invalid";
  EXPECT_EQ(RaisedText<EIdSocketError>([&] { client.OpenLink(); }),
            "Socket Error # 11001\r\nHost not found.");
  client.Host = "127.0.0.300";  // not an address, so a name, and unknown
  EXPECT_EQ(RaisedText<EIdSocketError>([&] { client.OpenLink(); }),
            "Socket Error # 11001\r\nHost not found.");
  EXPECT_FALSE(client.IsLinkUp());
}

TEST_F(TransportConnect, PortsOutsideTheRangeCannotBeAssigned) {
  client.Port = 65536;
  EXPECT_EQ(RaisedText<EIdSocketError>([&] { client.OpenLink(); }),
            "Socket Error # 10049\r\nCannot assign requested address.");
}

TEST_F(TransportConnect, APositiveTimeoutBoundsTheConnect) {
  FullListener full;
  client.Port = full.Port();
  EXPECT_EQ(RaisedText<EIdSocketError>([&] { client.OpenLink(200); }),
            "Socket Error # 10060\r\nConnection timed out.");
  EXPECT_FALSE(client.IsLinkUp());
  EXPECT_EQ(connected(), 0);
}

TEST_F(TransportConnect, BindingAndNoDelayStillConnect) {
  client.BoundIP = "127.0.0.1";
  client.UseNagle = false;
  Connect();
  client.SendLine("bound");
  EXPECT_EQ(peer->ReadLine(), "bound");
}

TEST_F(TransportConnect, AFailingOnConnectedLeavesTheLinkClosed) {
  events.then = [](const RecordedEvent& event) {
    if (event.name == "OnConnected") throw Exception("refused by handler");
  };
  EXPECT_EQ(RaisedText([&] { client.OpenLink(); }), "refused by handler");
  EXPECT_FALSE(client.IsLinkUp());
  EXPECT_EQ(disconnected(), 0);
  auto peer_side = server.Accept();
  ASSERT_NE(peer_side, nullptr);
  EXPECT_TRUE(peer_side->WaitClosed());
}

TEST_F(TransportConnect, DestroyingAnOpenConnectionFiresNothing) {
  RecordingIrcEvents other_events;
  {
    TIdTCPClient other;
    other.Host = LoopbackServer::Host();
    other.Port = server.Port();
    other.SetLinkEvents(other_events);
    other.OpenLink();
    peer = server.Accept();
    ASSERT_NE(peer, nullptr);
  }
  EXPECT_EQ(other_events.Count("OnDisconnected"), 0);
  EXPECT_TRUE(peer->WaitClosed());
}

}  // namespace
}  // namespace zelmo::testing

namespace zelmo::testing {
namespace {

// A name's addresses are tried in the resolver's order: refused ones (an
// IPv4 address nobody listens on, IPv6 loopback without a listener) give
// way to the next, and only when all fail is the last failure reported.
TEST_F(TransportConnect, EveryAddressOfANameIsTriedInOrder) {
  std::vector<std::string> asked;
  client.Host = "two.zelmo.test";
  client.AddressResolver = [&](const std::string& name) {
    asked.push_back(name);
    return std::vector<std::string>{"127.0.0.2", "::1", "127.0.0.1"};
  };
  Connect();
  EXPECT_EQ(connected(), 1);
  EXPECT_EQ(asked, std::vector<std::string>{"two.zelmo.test"});
  client.CloseLink();

  RefusingPort refusing;
  client.Port = refusing.Port();
  client.AddressResolver = [](const std::string&) {
    return std::vector<std::string>{"::1", "127.0.0.1"};
  };
  EXPECT_EQ(RaisedText<EIdSocketError>([&] { client.OpenLink(); }),
            "Socket Error # 10061\r\nConnection refused.");
  client.AddressResolver = [](const std::string&) { return std::vector<std::string>{}; };
  EXPECT_EQ(RaisedText<EIdSocketError>([&] { client.OpenLink(); }),
            "Socket Error # 11001\r\nHost not found.");
}

TEST(TransportAddresses, Ipv6LiteralsNeedNoLookup) {
  const AddressLookup none = [](const std::string&) -> std::vector<std::string> {
    throw std::runtime_error("looked up");
  };
  EXPECT_EQ(TIdStack::ResolveHostAddresses("[::1]", -1, none), std::vector<std::string>{"::1"});
  EXPECT_EQ(TIdStack::ResolveHostAddresses("0:0::1", -1, none), std::vector<std::string>{"::1"});
  EXPECT_EQ(TIdStack::ResolveHostAddresses("[127.0.0.1]", -1, none),
            std::vector<std::string>{"127.0.0.1"});
  EXPECT_FALSE(TIdStack::ParseIPv6("[::1"));
  EXPECT_FALSE(TIdStack::ParseIPv6("::g"));
  // A link-local address is reached through the interface its zone names.
  EXPECT_EQ(TIdStack::ResolveHostAddresses("[fe80::0:1%eth0]", -1, none),
            std::vector<std::string>{"fe80::1%eth0"});
  EXPECT_FALSE(TIdStack::ParseIPv6("fe80::1%"));
  EXPECT_FALSE(TIdStack::ParseIPv6("fe80::1%a b"));
}

TEST_F(TransportConnect, AZoneNamesTheInterfaceOfTheAddress) {
  TIdSocketHandle probe(AF_INET6);
  try {
    probe.Bind("::1", 0);
  } catch (const EIdSocketError&) {
    GTEST_SKIP() << "no IPv6 loopback here";
  }
  LoopbackServer unused;
  client.Host = "::1%lo";
  client.Port = unused.Port();  // nothing listens on ::1 there
  EXPECT_EQ(RaisedText<EIdSocketError>([&] { client.OpenLink(); }),
            "Socket Error # 10061\r\nConnection refused.");
  client.Host = "::1%nosuchif0";
  EXPECT_EQ(RaisedText<EIdSocketError>([&] { client.OpenLink(); }),
            "Socket Error # 10049\r\nCannot assign requested address.");
}

}  // namespace
}  // namespace zelmo::testing
