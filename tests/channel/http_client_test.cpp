// The web client against a scripted loopback web server, plain and TLS.

#include "channel/http_client.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "shell/base/errors.h"
#include "support/loopback_ports.h"
#include "support/test_certificates.h"
#include "support/tls/tls_peer_channel.h"
#include "support/web_server.h"

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The tasks the client posts, run on the test's thread as the
// user-interface thread would run them.
class PostedTasks {
 public:
  HttpClient::Poster Poster() {
    return [this](std::function<void()> task) {
      std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
      posted_.notify_all();
    };
  }
  // Runs the next task; false when none came within the wait.
  bool RunNext(std::chrono::milliseconds wait) {
    std::function<void()> task;
    {
      std::unique_lock lock(mutex_);
      if (!posted_.wait_for(lock, wait, [this] { return !tasks_.empty(); })) return false;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> tasks_;
};

class HttpClientTest : public ::testing::Test {
 protected:
  // TLS writes to a peer that has gone raise SIGPIPE, which the program
  // ignores from its start.
  static void SetUpTestSuite() { std::signal(SIGPIPE, SIG_IGN); }
  // The answer of one fetch, delivered through the posted task.
  HttpAnswer Fetch(HttpClient& client, const std::string& url) {
    std::optional<HttpAnswer> answer;
    client.Get(url, loopback, [&answer](HttpAnswer got) { answer = std::move(got); });
    if (!tasks.RunNext(15s)) return {-1, "(no answer)"};
    return answer.value_or(HttpAnswer{-1, "(no answer set)"});
  }
  HttpAnswer Fetch(const std::string& url, HttpGetLimits limits = {}) {
    HttpClient client(tasks.Poster(), limits);
    return Fetch(client, url);
  }
  static std::string Reason(const std::function<void()>& call) {
    try {
      call();
    } catch (const Exception& error) {
      return error.what();
    }
    return "(no error)";
  }
  static bool MapsTlsModule() {
    std::ifstream in("/proc/self/maps");
    std::ostringstream maps;
    maps << in.rdbuf();
    return maps.str().find("libzelmobot_tls.so") != std::string::npos;
  }

  PostedTasks tasks;
  HttpAllowList loopback = HttpAllowList::Parse("", {});
};

TEST_F(HttpClientTest, SendsItsRequestAndFollowsARedirect) {
  WebServer server;
  server.Serve({WebServer::Status(302, "moved", "Location: /next?x=1\r\n"),
                WebServer::Status(200, "the page")});
  const HttpAnswer answer = Fetch(server.Url("/start"));
  server.Join();
  EXPECT_EQ(answer.status, 200);
  EXPECT_EQ(answer.body, "the page");
  const std::vector<std::string> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  const std::string host = "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\n";
  EXPECT_EQ(requests[0], "GET /start HTTP/1.1\n" + host +
                             "User-Agent: ZelmoBot/v0.5\nAccept: */*\nConnection: close\n");
  EXPECT_TRUE(requests[1].starts_with("GET /next?x=1 HTTP/1.1\n" + host)) << requests[1];
  // A plain fetch needs no TLS.
  EXPECT_FALSE(MapsTlsModule());
}

TEST_F(HttpClientTest, RedirectsAreCountedAndCheckedAgain) {
  struct Row {
    const char* location;
    const char* reason;
  };
  for (const Row& row : std::vector<Row>{
           {"/again", "too many redirects"},
           {"http://elsewhere.test/", "redirect to a host not allowed: elsewhere.test"},
           {"ftp://127.0.0.1/", "bad redirect: only http and https URLs are fetched"},
       }) {
    SCOPED_TRACE(row.location);
    WebServer server;
    const auto redirect =
        WebServer::Status(301, "", std::string("Location: ") + row.location + "\r\n");
    server.Serve({redirect, redirect});
    HttpGetLimits limits;
    limits.max_redirects = 1;
    const HttpAnswer answer = Fetch(server.Url(), limits);
    EXPECT_EQ(answer.status, 0);
    EXPECT_EQ(answer.body, row.reason);
    server.Stop();
  }
}

TEST_F(HttpClientTest, EachFailureIsStatusZeroWithItsReason) {
  struct Row {
    const char* name;
    WebServer::Answer answer;
    const char* reason;
  };
  HttpGetLimits limits;
  limits.total_ms = 600;
  limits.max_body_bytes = 10;
  for (const Row& row : std::vector<Row>{
           {"stalled", WebServer::Stall(), "timed out"},
           {"trickling", WebServer::Trickle("HTTP/1.1 200 OK\r\n\r\n", 100ms), "timed out"},
           {"endless headers", WebServer::EndlessHeaders(),
            "bad answer: more than 100 header lines"},
           {"too large", WebServer::Status(200, "eleven byte"),
            "the answer is larger than 10 bytes"},
           {"not HTTP", WebServer::Reply("SSH-2.0-OpenSSH\r\n"), "bad answer: no HTTP status line"},
       }) {
    SCOPED_TRACE(row.name);
    WebServer server;
    server.Serve({row.answer});
    const auto start = Clock::now();
    const HttpAnswer answer = Fetch(server.Url(), limits);
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_EQ(answer.status, 0);
    EXPECT_EQ(answer.body, row.reason);
    server.Stop();
  }
  const HttpAnswer refused =
      Fetch("http://127.0.0.1:" + std::to_string(FreeLoopbackPort()) + "/", limits);
  EXPECT_EQ(refused.status, 0);
  EXPECT_EQ(refused.body, "Connection refused.");
}

TEST_F(HttpClientTest, RefusesAtOnceWhatItWillNotFetch) {
  HttpGetLimits limits;
  limits.max_running = 1;
  HttpClient client(tasks.Poster(), limits);
  const auto ignore = [](HttpAnswer) {};
  EXPECT_EQ(Reason([&] { client.Get("gopher://127.0.0.1/", loopback, ignore); }),
            "only http and https URLs are fetched");
  EXPECT_EQ(Reason([&] { client.Get("http://example.com/", loopback, ignore); }),
            "host not allowed: example.com");
  WebServer server;
  server.Serve({WebServer::Stall()});
  client.Get(server.Url(), loopback, ignore);
  EXPECT_EQ(Reason([&] { client.Get(server.Url(), loopback, ignore); }),
            "too many web fetches at once (1)");
  server.Stop();
}

// Destroyed while a fetch hangs on a silent server: the destructor ends it
// at once, and its answer is never delivered.
TEST_F(HttpClientTest, DestructionEndsAHangingFetchWithoutAnAnswer) {
  WebServer server;
  server.Serve({WebServer::Stall()});
  bool answered = false;
  auto client = std::make_unique<HttpClient>(tasks.Poster(), HttpGetLimits{});
  client->Get(server.Url(), loopback, [&answered](HttpAnswer) { answered = true; });
  for (int k = 0; k < 500 && server.Requests().empty(); ++k) std::this_thread::sleep_for(10ms);
  ASSERT_EQ(server.Requests().size(), 1u);
  const auto start = Clock::now();
  client.reset();
  EXPECT_LT(Clock::now() - start, 1s);
  while (tasks.RunNext(100ms)) {
  }
  EXPECT_FALSE(answered);
  server.Join();  // the stalled answer saw the client close
}

// https: the server's certificate is verified against the trusted CAs, and
// the deadline holds even while a TLS record comes a byte at a time.
class HttpsClientTest : public HttpClientTest {
 protected:
  static void SetUpTestSuite() {
    HttpClientTest::SetUpTestSuite();
    if (!TestCertificates::Available()) return;
    certificates = new TestCertificates();
    issued = new CertificateFiles(certificates->Issue("web", "DNS:localhost,IP:127.0.0.1"));
    self_signed = new CertificateFiles(certificates->SelfSigned("self", "IP:127.0.0.1"));
    // The system's store, as the TLS module reads it, holds the test's CA.
    setenv("SSL_CERT_FILE", certificates->CaFile().c_str(), 1);
  }
  static void TearDownTestSuite() {
    delete issued;
    delete self_signed;
    delete certificates;
  }
  void SetUp() override {
    if (certificates == nullptr) GTEST_SKIP() << "openssl is not installed";
  }
  static inline TestCertificates* certificates = nullptr;
  static inline CertificateFiles* issued = nullptr;
  static inline CertificateFiles* self_signed = nullptr;
};

TEST_F(HttpsClientTest, FetchesFromAVerifiedServerOnly) {
  WebServer good(TlsPeerChannels(issued->cert, issued->key));
  good.Serve({WebServer::Reply("HTTP/1.1 200 OK\r\n\r\nsecret page")});
  const HttpAnswer answer = Fetch(good.Url("/s"));
  EXPECT_EQ(answer.status, 200);
  EXPECT_EQ(answer.body, "secret page");
  EXPECT_TRUE(MapsTlsModule());

  WebServer bad(TlsPeerChannels(self_signed->cert, self_signed->key));
  bad.Serve({WebServer::Status(200, "forged")});
  const HttpAnswer refused = Fetch(bad.Url());
  EXPECT_EQ(refused.status, 0);
  EXPECT_TRUE(refused.body.starts_with("TLS: ")) << refused.body;
  bad.Stop();
}

// The answer's record never completes: the receive waits inside TLS,
// where only closing the socket at the deadline ends it.
TEST_F(HttpsClientTest, ARecordCutShortEndsAtTheDeadline) {
  WebServer server(TlsPeerChannels(issued->cert, issued->key, TlsRecords::HoldLastByte));
  server.Serve({[](LoopbackPeer& peer) {
    peer.Send("HTTP/1.1 200 OK\r\n\r\nnever whole");
    peer.WaitClosed();
  }});
  HttpGetLimits limits;
  limits.total_ms = 800;
  const auto start = Clock::now();
  const HttpAnswer answer = Fetch(server.Url(), limits);
  EXPECT_LT(Clock::now() - start, 3s);
  EXPECT_EQ(answer.status, 0);
  EXPECT_EQ(answer.body, "timed out");
  server.Stop();
}

}  // namespace
}  // namespace zelmo::testing
