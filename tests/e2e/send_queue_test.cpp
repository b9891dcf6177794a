#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bot_on_server.h"
#include "support/inspircd_server.h"
#include "support/loopback_ports.h"

// The paced send queue against InspIRCd's flood limits, and the keepalive
// against a link that goes silent without closing.

namespace zelmo::testing {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

class PacedBot : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!InspircdServer::Available()) GTEST_SKIP() << "inspircd is not installed";
    server = std::make_unique<InspircdServer>();
    dir.Write("Config.ini", LoopbackConfig(server->Port(), "Nick=ZelmoPace\n" + pace));
    form = std::make_unique<TMainForm>(port, dir.Path());
    form->UserInputEntered("connect");
    ASSERT_TRUE(port.PumpUntil([&] { return form->IRC.ConnectionState() == stConnected; }, 10000))
        << server->Log();
  }
  void TearDown() override {
    form.reset();
    server.reset();
  }
  std::optional<std::string> Await(IrcTestClient& client, const std::string& text, int timeout_ms) {
    const auto deadline = Clock::now() + milliseconds(timeout_ms);
    while (Clock::now() < deadline) {
      port.RunPending();
      if (auto line = client.WaitFor(text, 20)) return line;
    }
    return std::nullopt;
  }
  bool ShownStarting(const std::string& text) const {
    for (const auto& shown : port.Texts()) {
      if (shown.starts_with(text)) return true;
    }
    return false;
  }

  std::string pace = "SendBurst=5\nSendInterval=1000\n";
  TempDir dir;
  RecordingPort port;
  std::unique_ptr<InspircdServer> server;
  std::unique_ptr<TMainForm> form;
};

TEST_F(PacedBot, ACtcpFloodNeitherCostsTheLinkNorHoldsUpTheAnswers) {
  std::vector<std::unique_ptr<IrcTestClient>> users;
  for (int n = 0; n < 26; ++n) {
    users.push_back(std::make_unique<IrcTestClient>(InspircdServer::Host(), server->Port(),
                                                    "flood" + std::to_string(n)));
  }
  for (int round = 0; round < 10; ++round) {
    for (auto& user : users) user->Send("PRIVMSG ZelmoPace :\001VERSION\001");
  }
  // Let the queries reach the bot and its first replies go out.
  port.PumpUntil([] { return false; }, 4000);
  IrcTestClient owner(InspircdServer::Host(), server->Port(), "owner");
  owner.Send("PRIVMSG ZelmoPace :help;join");
  EXPECT_TRUE(Await(owner, ":Join: Use as privmsg", 6000));
  // The replies trickle out at the pace and the server keeps the bot.
  EXPECT_TRUE(Await(*users[0], "\001VERSION ZelmoBot", 15000));
  port.PumpUntil([] { return false; }, 3000);
  EXPECT_EQ(form->IRC.ConnectionState(), stConnected);
  EXPECT_FALSE(ShownStarting("Disconnected from")) << server->Log();
}

// Forwards between the bot and the server; once frozen, the link it is
// forwarding goes silent both ways without being closed. Later links are
// forwarded.
class StallingProxy {
 public:
  explicit StallingProxy(int upstream_port) : upstream_port_(upstream_port) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    listen(listener_, 4);
    thread_ = std::thread([this] { Run(); });
  }
  ~StallingProxy() {
    stop_ = true;
    thread_.join();
    for (int fd : fds_) close(fd);
    close(listener_);
  }
  int Port() const { return port_; }
  void FreezeCurrentLink() { frozen_links_ = links_.load(); }
  int Links() const { return links_; }

 private:
  void Run() {
    while (!stop_) {
      std::vector<pollfd> polled{{listener_, POLLIN, 0}};
      for (int fd : fds_) polled.push_back({fd, POLLIN, 0});
      if (poll(polled.data(), polled.size(), 50) <= 0) continue;
      if (polled[0].revents & POLLIN) Accept();
      for (std::size_t k = 1; k < polled.size(); ++k) {
        if (polled[k].revents & (POLLIN | POLLHUP)) Forward(k - 1);
      }
    }
  }
  void Accept() {
    int client = accept(listener_, nullptr, nullptr);
    int upstream = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(upstream_port_));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connect(upstream, reinterpret_cast<sockaddr*>(&address), sizeof address);
    fds_.push_back(client);
    fds_.push_back(upstream);
    ++links_;
  }
  // fds_ holds pairs: bot side, server side; link n is pair n - 1.
  void Forward(std::size_t index) {
    const int link = static_cast<int>(index / 2) + 1;
    if (link <= frozen_links_) return;  // left unread: silence, no close
    char buffer[4096];
    const ssize_t got = read(fds_[index], buffer, sizeof buffer);
    const int other = fds_[index ^ 1];
    if (got <= 0) {
      shutdown(other, SHUT_WR);
      return;
    }
    (void)send(other, buffer, static_cast<std::size_t>(got), MSG_NOSIGNAL);
  }

  int upstream_port_;
  int listener_ = -1;
  int port_ = 0;
  std::vector<int> fds_;
  std::atomic<int> links_{0};
  std::atomic<int> frozen_links_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class KeepaliveBot : public BotOnServer {
 protected:
  void SetUp() override {
    BotOnServer::SetUp();
    if (IsSkipped()) return;
    proxy = std::make_unique<StallingProxy>(server->Port());
    form.reset();
    dir.Write("Config.ini", LoopbackConfig(proxy->Port(), "PingInterval=3\n"));
    form = std::make_unique<TMainForm>(port, dir.Path());
  }
  void TearDown() override {
    form.reset();
    proxy.reset();
    BotOnServer::TearDown();
  }
  std::unique_ptr<StallingProxy> proxy;
};

TEST_F(KeepaliveBot, ALinkThatGoesSilentIsLostAfterTwoIntervalsAndRepaired) {
  ConnectBot();
  BotJoins("#room");
  // Quiet but answering: the keepalive's PINGs are answered and nothing
  // is lost.
  ASSERT_FALSE(Pump([&] { return port.balloons.size() > 0; }, 7000));
  proxy->FreezeCurrentLink();
  const auto frozen = Clock::now();
  // ngircd holds a client back for a moment after a nick
  // collision (the old link still holds the nick), so the interval is not
  // shorter than that.
  ASSERT_TRUE(AwaitShown("Disconnected from 127.0.0.1. I were on 1 channel(s)", 10000));
  const auto noticed = Clock::now() - frozen;
  EXPECT_GE(noticed, milliseconds(2900));
  EXPECT_LE(noticed, milliseconds(7500));
  ASSERT_EQ(port.balloons.size(), 1U);
  EXPECT_EQ(port.balloons[0].title, "ZelmoBot: Disconnect");
  // The reconnection goes through the proxy again, which forwards it.
  ASSERT_TRUE(Pump([&] { return form->IRC.ConnectionState() == stConnected; }));
  port.TickTimers();
  port.TickTimers();
  EXPECT_TRUE(Shows("-> Rejoined channel #room"));
  EXPECT_EQ(proxy->Links(), 2);
}

}  // namespace
}  // namespace zelmo::testing
