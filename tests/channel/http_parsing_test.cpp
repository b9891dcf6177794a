// The web client's pure parts: URLs, the answer reader, the allow list.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channel/http_client.h"
#include "channel/http_response.h"
#include "channel/http_url.h"
#include "shell/base/errors.h"

namespace zelmo::testing {
namespace {

std::string Reason(const std::function<void()>& call) {
  try {
    call();
  } catch (const Exception& error) {
    return error.what();
  }
  return "(no error)";
}

TEST(HttpUrl, DecodesSchemeHostPortAndPath) {
  struct Row {
    const char* url;
    HttpUrl expected;
    const char* host_header;
  };
  for (const Row& row : std::vector<Row>{
           {"http://Example.COM", {false, "example.com", 80, "/"}, "example.com"},
           {"HTTPS://example.com/a/b?q=1#frag",
            {true, "example.com", 443, "/a/b?q=1"},
            "example.com"},
           {"http://127.0.0.1:8080?x", {false, "127.0.0.1", 8080, "/?x"}, "127.0.0.1:8080"},
           {"https://[::1]:8443/p", {true, "::1", 8443, "/p"}, "[::1]:8443"},
           {"http://[::1]/", {false, "::1", 80, "/"}, "[::1]"},
           {"https://h.test:443/", {true, "h.test", 443, "/"}, "h.test"},
           {"http://h.test/\xC3\xA4", {false, "h.test", 80, "/%C3%A4"}, "h.test"},
       }) {
    SCOPED_TRACE(row.url);
    const HttpUrl url = ParseHttpUrl(row.url);
    EXPECT_EQ(url, row.expected);
    EXPECT_EQ(url.HostHeader(), row.host_header);
  }
}

TEST(HttpUrl, RefusesWithTheReason) {
  struct Row {
    std::string url;
    const char* reason;
  };
  for (const Row& row : std::vector<Row>{
           {"ftp://h.test/", "only http and https URLs are fetched"},
           {"h.test/path", "only http and https URLs are fetched"},
           {"javascript:alert(1)", "only http and https URLs are fetched"},
           {"http://user:pw@h.test/", "a user name or password in the URL is not allowed"},
           {"http://h.test/a@b", ""},
           {"http:///path", "bad host in the URL"},
           {"http://h test/", "a space or control character in the URL"},
           {"http://h.test/a\r\nX-Injected: 1", "a space or control character in the URL"},
           {std::string("http://h.test/\0", 15), "a space or control character in the URL"},
           {"http://h/x.test/", ""},
           {"http://h.test:0/", "bad port in the URL"},
           {"http://h.test:65536/", "bad port in the URL"},
           {"http://h.test:8a/", "bad port in the URL"},
           {"http://[::1/", "bad host in the URL"},
           {"http://[zz]/", "bad host in the URL"},
           {"http://[::1]x/", "bad host in the URL"},
           {"http://h$st/", "bad host in the URL"},
           {"http://h.test/" + std::string(kMaxUrlBytes, 'a'), "the URL is too long"},
       }) {
    SCOPED_TRACE(row.url);
    EXPECT_EQ(Reason([&] { ParseHttpUrl(row.url); }), *row.reason ? row.reason : "(no error)");
  }
}

TEST(HttpUrl, ResolvesRedirectLocations) {
  const HttpUrl base = ParseHttpUrl("https://h.test:8443/a/b?q");
  struct Row {
    const char* location;
    HttpUrl expected;
  };
  for (const Row& row : std::vector<Row>{
           {"http://other.test/x", {false, "other.test", 80, "/x"}},
           {"//other.test/y", {true, "other.test", 443, "/y"}},
           {"/root?z#f", {true, "h.test", 8443, "/root?z"}},
           {"sibling", {true, "h.test", 8443, "/a/sibling"}},
           {"/go?to=http://x.test/", {true, "h.test", 8443, "/go?to=http://x.test/"}},
       }) {
    SCOPED_TRACE(row.location);
    EXPECT_EQ(ResolveLocation(base, row.location), row.expected);
  }
  EXPECT_EQ(Reason([&] { ResolveLocation(base, "file:///etc/passwd"); }),
            "only http and https URLs are fetched");
  EXPECT_EQ(Reason([&] { ResolveLocation(base, "/a b"); }),
            "a space or control character in the URL");
}

// The whole answer fed in pieces of every size gives the same outcome.
struct ReadRow {
  const char* name;
  std::string bytes;
  bool closes;          // the server closes after the bytes
  std::string outcome;  // "<status> <body>" or the reason
};

std::string ReadInPieces(const std::string& bytes, bool closes, std::size_t piece) {
  HttpResponseReader reader(64);
  try {
    for (std::size_t at = 0; at < bytes.size() && !reader.Done(); at += piece) {
      reader.Feed(std::string_view(bytes).substr(at, piece));
    }
    if (closes) reader.End();
    if (!reader.Done()) return "(not done)";
  } catch (const Exception& error) {
    return error.what();
  }
  return std::to_string(reader.Status()) + " " + reader.Body();
}

TEST(HttpResponse, ReadsEveryFramingAndRefusesWhatIsMalformedOrTooLarge) {
  const std::string too_many_headers = [] {
    std::string head = "HTTP/1.1 200 OK\r\n";
    for (int k = 0; k < 101; ++k) head += "X: y\r\n";
    return head + "\r\n";
  }();
  const std::string too_many_bytes = [] {
    std::string head = "HTTP/1.1 200 OK\r\n";
    for (int k = 0; k < 9; ++k) head += "X: " + std::string(8000, 'y') + "\r\n";
    return head + "\r\n";
  }();
  for (const ReadRow& row : std::vector<ReadRow>{
           {"sized", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", false, "200 hello"},
           {"bare LF", "HTTP/1.0 404 Not Found\ncontent-length:2\n\nno", false, "404 no"},
           {"to the close", "HTTP/1.1 200 OK\r\n\r\nall of it", true, "200 all of it"},
           {"chunked",
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n"
            "3;ext=1\r\nabc\r\nA\r\n0123456789\r\n0\r\nTrailer: t\r\n\r\n",
            false, "200 abc0123456789"},
           {"interim first",
            "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\n"
            "Content-Length: 1\r\n\r\nk",
            false, "201 k"},
           {"no body", "HTTP/1.1 204 No Content\r\nContent-Length: 9\r\n\r\n", false, "204 "},
           {"status alone", "HTTP/1.1 200\r\nContent-Length: 0\r\n\r\n", false, "200 "},
           {"at the cap", "HTTP/1.1 200 OK\r\n\r\n" + std::string(64, 'b'), true,
            "200 " + std::string(64, 'b')},
           {"cut short", "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nhalf", true,
            "bad answer: the connection closed before its end"},
           {"no status line", "<html>hello</html>\r\n", true, "bad answer: no HTTP status line"},
           {"status 999", "HTTP/1.1 999 X\r\n\r\n", true, "bad answer: status 999"},
           {"folded header", "HTTP/1.1 200 OK\r\n continued\r\n\r\n", true,
            "bad answer: a malformed header line"},
           {"two lengths", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n",
            true, "bad answer: two Content-Length values"},
           {"signed length", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n", true,
            "bad answer: Content-Length"},
           {"unknown coding", "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n", true,
            "bad answer: transfer coding gzip"},
           {"bad chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", true,
            "bad answer: a malformed chunk size"},
           {"overlong chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\nab\r\n",
            true, "bad answer: a chunk longer than its size"},
           {"long line", "HTTP/1.1 200 OK\r\nX: " + std::string(8200, 'a'), true,
            "bad answer: a line longer than 8192 bytes"},
           {"many headers", too_many_headers, true, "bad answer: more than 100 header lines"},
           {"header bytes", too_many_bytes, true, "bad answer: more than 65536 bytes of headers"},
           {"large length", "HTTP/1.1 200 OK\r\nContent-Length: 65\r\n\r\n", true,
            "the answer is larger than 64 bytes"},
           {"large chunk",
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
            "fffffffffffffff\r\n",
            true, "the answer is larger than 64 bytes"},
           {"large chunks",
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
            "40\r\n" +
                std::string(64, 'c') + "\r\n1\r\n",
            true, "the answer is larger than 64 bytes"},
           {"large to close", "HTTP/1.1 200 OK\r\n\r\n" + std::string(65, 'b'), true,
            "the answer is larger than 64 bytes"},
       }) {
    SCOPED_TRACE(row.name);
    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, row.bytes.size()}) {
      EXPECT_EQ(ReadInPieces(row.bytes, row.closes, piece), row.outcome) << "pieces of " << piece;
    }
  }
}

TEST(HttpResponse, KeepsTheLastLocation) {
  HttpResponseReader reader(64);
  reader.Feed("HTTP/1.1 302 Found\r\nLocation: /a\r\nlocation:  /b \r\nContent-Length: 0\r\n\r\n");
  ASSERT_TRUE(reader.Done());
  EXPECT_EQ(reader.Status(), 302);
  EXPECT_EQ(reader.Location(), "/b");
}

TEST(HttpAllowList, AllowsLoopbackConfiguredListedOrAll) {
  const HttpAllowList none = HttpAllowList::Parse("", {"IRC.Example.net", ""});
  const HttpAllowList listed = HttpAllowList::Parse(" a.test ,B.TEST,,[2001:DB8::1], 10.0.0.1", {});
  const HttpAllowList all = HttpAllowList::Parse("*", {});
  struct Row {
    const char* host;
    bool none, listed;
  };
  for (const Row& row : std::vector<Row>{
           {"localhost", true, true},
           {"LOCALHOST.", true, true},
           {"127.0.0.1", true, true},
           {"127.254.3.9", true, true},
           {"::1", true, true},
           {"[0:0:0:0:0:0:0:1]", true, true},
           {"::ffff:127.0.0.1", true, true},
           {"irc.example.NET", true, false},
           {"a.test", false, true},
           {"b.test", false, true},
           {"2001:db8:0::1", false, true},
           {"010.0.0.1", false, true},
           {"c.test", false, false},
           {"sub.a.test", false, false},
           {"128.0.0.1", false, false},
           {"localhost.test", false, false},
       }) {
    SCOPED_TRACE(row.host);
    EXPECT_EQ(none.Allows(row.host), row.none);
    EXPECT_EQ(listed.Allows(row.host), row.listed);
    EXPECT_TRUE(all.Allows(row.host));
  }
}

TEST(HttpAllowList, AMalformedListNamesTheKey) {
  for (const char* listed : {"a.test, b test", "a.test/path", "http://a.test", "a.test;b.test"}) {
    SCOPED_TRACE(listed);
    try {
      HttpAllowList::Parse(listed, {});
      ADD_FAILURE() << "accepted";
    } catch (const EConvertError& error) {
      EXPECT_TRUE(std::string(error.what()).starts_with("[Scripts] HttpAllowed: ")) << error.what();
    }
  }
}

}  // namespace
}  // namespace zelmo::testing
