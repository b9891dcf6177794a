#include <gtest/gtest.h>

#include <cerrno>

#include "irc/transport/id_stack.h"
#include "irc/transport/tcp_connection.h"
#include "irc/transport/transport_errors.h"
#include "transport_fixture.h"

namespace zelmo {
namespace {

using testing::RaisedText;

TEST(TransportErrors, SocketErrorMessagesReadAsTheTable) {
  EXPECT_EQ(SocketErrorMessage(10061), "Socket Error # 10061\r\nConnection refused.");
  EXPECT_EQ(SocketErrorMessage(10060), "Socket Error # 10060\r\nConnection timed out.");
  EXPECT_EQ(SocketErrorMessage(11001), "Socket Error # 11001\r\nHost not found.");
  // The two irregular texts of the table: a trailing blank and no full stop.
  EXPECT_EQ(SocketErrorMessage(10035), "Socket Error # 10035\r\nOperation would block. ");
  EXPECT_EQ(SocketErrorMessage(10066), "Socket Error # 10066\r\nDirectory not empty");
  EXPECT_EQ(SocketErrorMessage(10047),
            "Socket Error # 10047\r\nAddress family not supported by protocol family.");
}

TEST(TransportErrors, CodesOutsideTheTableHaveAnEmptyReason) {
  EXPECT_EQ(SocketErrorMessage(10067), "Socket Error # 10067\r\n");
  EXPECT_EQ(SocketErrorMessage(0), "Socket Error # 0\r\n");
  EXPECT_EQ(SocketErrorMessage(-5), "Socket Error # -5\r\n");
}

TEST(TransportErrors, ErrnoValuesMapOntoTheTable) {
  const std::pair<int, int> expected[] = {
      {ECONNREFUSED, 10061}, {ETIMEDOUT, 10060},   {ECONNRESET, 10054},   {ECONNABORTED, 10053},
      {EPIPE, 10058},        {ESHUTDOWN, 10058},   {EHOSTUNREACH, 10065}, {EADDRINUSE, 10048},
      {EAGAIN, 10035},       {EWOULDBLOCK, 10035}, {EOPNOTSUPP, 10045},   {ENOTEMPTY, 10066},
  };
  for (const auto& [posix, code] : expected) {
    EXPECT_EQ(WinsockCode(posix), code) << "errno " << posix;
  }
  // No equivalent: the number stays, and the message has no reason.
  EXPECT_EQ(WinsockCode(ENOENT), ENOENT);
  EXPECT_EQ(WinsockCode(0), 0);
}

TEST(TransportErrors, SocketErrorCarriesItsCodeAndText) {
  EIdSocketError error(10054);
  EXPECT_EQ(error.LastError(), 10054);
  EXPECT_STREQ(error.what(), "Socket Error # 10054\r\nConnection reset by peer.");
  const EIdException& base = error;
  EXPECT_EQ(base.Message(), "Socket Error # 10054\r\nConnection reset by peer.");
}

TEST(TransportErrors, FixedTexts) {
  EXPECT_STREQ(EIdAlreadyConnected().what(), "Already connected.");
  EXPECT_STREQ(EIdNotConnected().what(), "Not Connected");
  EXPECT_STREQ(EIdConnClosedGracefully().what(), "Connection Closed Gracefully.");
  EXPECT_STREQ(EIdReadTimeout().what(), "Read Timeout");
  EXPECT_STREQ(EIdReadLnMaxLineLengthExceeded().what(), "Max line length exceeded.");
}

TEST(TransportAddresses, DottedQuadsAreExactlyFourPartsOfZeroTo255) {
  EXPECT_EQ(TIdStack::ParseDottedQuad("127.0.0.1"), "127.0.0.1");
  EXPECT_EQ(TIdStack::ParseDottedQuad("255.255.255.255"), "255.255.255.255");
  EXPECT_EQ(TIdStack::ParseDottedQuad("010.0.0.001"), "10.0.0.1");
  for (const char* text :
       {"256.1.1.1", "1.2.3", "1.2.3.4.5", "1..2.3", "1.2.3.4.", ".1.2.3", "a.b.c.d", "+1.2.3.4",
        "-1.2.3.4", "1.2.3.4 ", " 1.2.3.4", "0x7f.0.0.1", "1234.1.1.1", ""}) {
    EXPECT_FALSE(TIdStack::IsIP(text)) << text;
  }
}

TEST(TransportAddresses, LocalhostNeedsNoLookupInAnyCase) {
  EXPECT_EQ(TIdStack::ResolveHost("localhost"), "127.0.0.1");
  EXPECT_EQ(TIdStack::ResolveHost("LocalHost"), "127.0.0.1");
  EXPECT_EQ(TIdStack::ResolveHost("10.20.30.40"), "10.20.30.40");
}

TEST(TransportAddresses, FailedLookupsAreHostNotFound) {
  // A name service of the test's own, which knows no name.
  const NameLookup nobody = [](const std::string&) { return std::optional<std::string>(); };
  for (const char* host : {"zelmo-test.invalid", "127.0.0.256", ""}) {
    EXPECT_EQ(RaisedText<EIdSocketError>([&] { TIdStack::ResolveHost(host, -1, nobody); }),
              "Socket Error # 11001\r\nHost not found.")
        << host;
  }
  EXPECT_EQ(RaisedText<EIdSocketError>([] { TIdStack::ResolveHost(std::string("a\0b", 3)); }),
            "Socket Error # 11001\r\nHost not found.");
}

TEST(TransportAddresses, LocalAddressIsADottedQuad) {
  std::string address = TIdTCPConnection::LocalAddress();
  EXPECT_TRUE(TIdStack::IsIP(address)) << address;
  EXPECT_LE(TIdStack::HostName().size(), 250u);
}

}  // namespace
}  // namespace zelmo
