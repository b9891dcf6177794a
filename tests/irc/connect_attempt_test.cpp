#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "irc/transport/socket_connect.h"
#include "irc/transport/tls_link.h"
#include "irc/transport/transport_errors.h"
#include "support/loopback_server.h"

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A listener on a loopback address that takes each connection and answers
// it as told (nothing: closes at once), on a thread of its own.
class Answerer {
 public:
  Answerer(const std::string& ip, int port, std::string greeting)
      : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)), greeting_(std::move(greeting)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, ip.c_str(), &address.sin_addr);
    int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
             ::listen(fd_, 4) == 0;
    thread_ = std::thread([this] { Serve(); });
  }
  ~Answerer() {
    ::shutdown(fd_, SHUT_RDWR);
    thread_.join();
    ::close(fd_);
  }
  bool Bound() const { return bound_; }
  int Accepted() const { return accepted_; }

 private:
  void Serve() {
    for (;;) {
      pollfd entry{fd_, POLLIN, 0};
      if (::poll(&entry, 1, 5000) <= 0 || (entry.revents & POLLIN) == 0) return;
      int client = ::accept(fd_, nullptr, nullptr);
      if (client < 0) return;
      ++accepted_;
      if (!greeting_.empty()) ::send(client, greeting_.data(), greeting_.size(), MSG_NOSIGNAL);
      ::close(client);
    }
  }

  int fd_;
  std::string greeting_;
  bool bound_ = false;
  std::atomic<int> accepted_{0};
  std::thread thread_;
};

// What a connect raised, and how long it took.
struct Ending {
  std::string error;
  Clock::duration took;
};

Ending ConnectAndCancelAfter(const ConnectTarget& target, std::chrono::milliseconds after) {
  ConnectCancel cancel;
  const auto start = Clock::now();
  auto result = std::async(std::launch::async, [&] {
    try {
      ConnectSocket(target, 30000, &cancel);
      return std::string("(connected)");
    } catch (const std::exception& error) {
      return std::string(error.what());
    }
  });
  if (after.count() >= 0) {
    std::this_thread::sleep_for(after);
    cancel.Cancel();
  }
  std::string error = result.get();
  return {error, Clock::now() - start};
}

ConnectTarget To(int port, bool tls) {
  ConnectTarget target;
  target.host = "127.0.0.1";
  target.port = port;
  target.tls.enabled = tls;
  return target;
}

// Whatever the connect waits for — a name service, a server that does not
// accept, one that never answers the TLS hello — a cancel ends it at once.
TEST(ConnectAttempts, ACancelEndsEveryWaitAtOnce) {
  // OpenSSL writes its hello with write(): on a socket a cancel has shut
  // down, that raises SIGPIPE, which the program ignores from its start.
  std::signal(SIGPIPE, SIG_IGN);
  LoopbackServer silent;  // accepts in the kernel, says nothing
  int full_port = 0;
  int full_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(full_fd, reinterpret_cast<sockaddr*>(&address), length);
    ::listen(full_fd, 0);
    ::getsockname(full_fd, reinterpret_cast<sockaddr*>(&address), &length);
    full_port = ntohs(address.sin_port);
  }
  std::vector<int> fillers;
  for (int i = 0; i < 4; ++i) {
    int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(full_port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
    fillers.push_back(filler);
  }
  ConnectTarget slow_name = To(silent.Port(), false);
  slow_name.host = "slow.zelmo.test";
  slow_name.address_resolver = [](const std::string&) {
    std::this_thread::sleep_for(8s);
    return std::vector<std::string>{"127.0.0.1"};
  };
  // Loading the module and the system's CA store is work of the bot's own,
  // not a wait on a peer, and takes seconds under a sanitizer on a busy
  // machine: the module is loaded before the clock runs, and the silent
  // server's case checks no chain.
  LoadTlsModule();
  ConnectTarget silent_tls = To(silent.Port(), true);
  silent_tls.tls.verify = false;
  struct Case {
    const char* waits_for;
    ConnectTarget target;
  };
  for (const Case& c :
       {Case{"the name service", slow_name}, Case{"a full accept queue", To(full_port, false)},
        Case{"the TLS hello's answer", silent_tls}}) {
    SCOPED_TRACE(c.waits_for);
    const Ending ending = ConnectAndCancelAfter(c.target, 300ms);
    EXPECT_NE(ending.error, "(connected)");
    // Uncancelled, each would wait 5 s or more; a sanitizer's slowness
    // needs room.
    EXPECT_LT(ending.took, 3s) << ending.error;
  }
  for (int filler : fillers) ::close(filler);
  ::close(full_fd);
}

// A handshake cut short may go through at the name's next address; a
// server that is no TLS server would answer the same at every address.
TEST(ConnectAttempts, AHandshakeCutShortTriesTheNextAddressARefusalDoesNot) {
  LoopbackServer reserved;  // the port, on 127.0.0.1; its address is not used
  const int port = reserved.Port();
  reserved.Stop();
  Answerer closing("127.0.0.2", port, "");
  Answerer plain("127.0.0.3", port, "NOTICE * :*** Looking up your hostname...\r\n");
  if (!closing.Bound() || !plain.Bound()) GTEST_SKIP() << "127.0.0.2/3 cannot be bound here";
  ConnectTarget target = To(port, true);
  target.host = "two.zelmo.test";
  target.address_resolver = [](const std::string&) {
    return std::vector<std::string>{"127.0.0.2", "127.0.0.3"};
  };
  try {
    ConnectSocket(target, 10000);
    FAIL() << "connected";
  } catch (const EIdTLSError& error) {
    EXPECT_STREQ(error.what(), "TLS: the server did not answer with TLS (is this a TLS port?)");
    EXPECT_TRUE(error.Permanent());
  }
  EXPECT_EQ(closing.Accepted(), 1);
  EXPECT_EQ(plain.Accepted(), 1);

  target.address_resolver = [](const std::string&) {
    return std::vector<std::string>{"127.0.0.3", "127.0.0.2"};
  };
  EXPECT_THROW(ConnectSocket(target, 10000), EIdTLSError);
  EXPECT_EQ(plain.Accepted(), 2);
  EXPECT_EQ(closing.Accepted(), 1) << "tried on after a refusal that every address gives";
}

}  // namespace
}  // namespace zelmo::testing
