#include "scripted_irc_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace zelmo::testing {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

int BoundPort(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

}  // namespace

ScriptedIrcPeer::ScriptedIrcPeer(int fd) : fd_(fd) {
  fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
}

ScriptedIrcPeer::~ScriptedIrcPeer() {
  if (fd_ >= 0) close(fd_);
}

std::optional<std::string> ScriptedIrcPeer::Register(milliseconds wait) {
  auto deadline = Clock::now() + wait;
  std::string nick;
  bool user = false;
  while (nick.empty() || !user) {
    auto line = ReadLine(milliseconds(MillisecondsLeft(deadline)));
    if (!line) return std::nullopt;
    if (line->rfind("NICK ", 0) == 0) nick = line->substr(5);
    if (line->rfind("USER ", 0) == 0) user = true;
  }
  if (!SendLine(":irc.fault.test 001 " + nick + " :Welcome to the fault test server")) {
    return std::nullopt;
  }
  return nick;
}

bool ScriptedIrcPeer::Drain() {
  char buffer[65536];
  for (;;) {
    ssize_t got = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got > 0) {
      pending_.append(buffer, static_cast<std::size_t>(got));
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    bot_closed_ = true;
    return false;
  }
}

bool ScriptedIrcPeer::ReceiveMore(milliseconds wait) {
  if (fd_ < 0 || bot_closed_) return false;
  pollfd entry{fd_, POLLIN, 0};
  if (poll(&entry, 1, static_cast<int>(wait.count())) <= 0) return false;
  std::size_t before = pending_.size();
  bool open = Drain();
  return open || pending_.size() > before;
}

bool ScriptedIrcPeer::Send(std::string_view bytes, milliseconds wait) {
  auto deadline = Clock::now() + wait;
  while (!bytes.empty()) {
    if (fd_ < 0) return false;
    ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    int left = MillisecondsLeft(deadline);
    if (left == 0) return false;
    // The bot may be waiting for room to send its own lines before it reads
    // again, so its lines are taken in while this waits.
    pollfd entry{fd_, static_cast<short>(POLLOUT | (bot_closed_ ? 0 : POLLIN)), 0};
    if (poll(&entry, 1, left) > 0 && (entry.revents & POLLIN)) Drain();
  }
  return true;
}

bool ScriptedIrcPeer::SendLine(std::string_view line, milliseconds wait) {
  std::string bytes(line);
  bytes += "\r\n";
  return Send(bytes, wait);
}

long ScriptedIrcPeer::TrySend(std::string_view bytes) {
  if (fd_ < 0) return -1;
  for (;;) {
    ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent >= 0) return static_cast<long>(sent);
    if (errno == EINTR) continue;
    return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
  }
}

std::optional<std::string> ScriptedIrcPeer::NextBufferedLine() {
  std::size_t end = pending_.find('\n');
  if (end == std::string::npos) return std::nullopt;
  std::string line = pending_.substr(0, end);
  pending_.erase(0, end + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::optional<std::string> ScriptedIrcPeer::ReadLine(milliseconds wait) {
  auto deadline = Clock::now() + wait;
  for (;;) {
    if (auto line = NextBufferedLine()) return line;
    int left = MillisecondsLeft(deadline);
    if (left == 0 || !ReceiveMore(milliseconds(left))) {
      // A close may have come together with the last bytes.
      return NextBufferedLine();
    }
  }
}

std::optional<std::string> ScriptedIrcPeer::AwaitLine(
    const std::function<bool(const std::string&)>& match, milliseconds wait) {
  auto deadline = Clock::now() + wait;
  for (;;) {
    auto line = ReadLine(milliseconds(MillisecondsLeft(deadline)));
    if (!line) return std::nullopt;
    if (match(*line)) return line;
  }
}

std::optional<std::string> ScriptedIrcPeer::AwaitLineStarting(const std::string& text,
                                                              milliseconds wait) {
  return AwaitLine([&](const std::string& line) { return line.rfind(text, 0) == 0; }, wait);
}

std::optional<std::vector<std::string>> ScriptedIrcPeer::Sync(const std::string& token,
                                                              milliseconds wait) {
  auto deadline = Clock::now() + wait;
  if (!SendLine("PING :" + token, wait)) return std::nullopt;
  std::vector<std::string> before;
  const std::string pong = "PONG :" + token;
  for (;;) {
    auto line = ReadLine(milliseconds(MillisecondsLeft(deadline)));
    if (!line) return std::nullopt;
    if (*line == pong) return before;
    before.push_back(*line);
  }
}

std::vector<std::string> ScriptedIrcPeer::TakeLines() {
  if (fd_ >= 0 && !bot_closed_) Drain();
  std::vector<std::string> lines;
  while (auto line = NextBufferedLine()) lines.push_back(std::move(*line));
  return lines;
}

void ScriptedIrcPeer::Close() {
  if (fd_ < 0) return;
  // Unread bytes at close() would turn the FIN into a RST.
  if (!bot_closed_) Drain();
  shutdown(fd_, SHUT_WR);
  close(fd_);
  fd_ = -1;
}

void ScriptedIrcPeer::Reset() {
  if (fd_ < 0) return;
  linger abort{1, 0};
  setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  close(fd_);
  fd_ = -1;
}

bool ScriptedIrcPeer::WaitClosed(milliseconds wait) {
  auto deadline = Clock::now() + wait;
  while (!bot_closed_) {
    int left = MillisecondsLeft(deadline);
    if (left == 0) return false;
    ReceiveMore(milliseconds(left));
  }
  return true;
}

ScriptedIrcServer::ScriptedIrcServer(int receive_buffer) {
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) throw std::runtime_error("socket failed");
  int on = 1;
  setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  // Set before listen(), so accepted sockets start with it.
  if (receive_buffer > 0) {
    setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
  }
  sockaddr_in address = Loopback(0);
  if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd_, 16) != 0) {
    close(fd_);
    throw std::runtime_error("cannot listen on loopback");
  }
  port_ = BoundPort(fd_);
}

ScriptedIrcServer::~ScriptedIrcServer() {
  close(fd_);
}

std::unique_ptr<ScriptedIrcPeer> ScriptedIrcServer::Accept(milliseconds wait) {
  pollfd entry{fd_, POLLIN, 0};
  if (poll(&entry, 1, static_cast<int>(wait.count())) <= 0) return nullptr;
  int fd = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::make_unique<ScriptedIrcPeer>(fd);
}

// Bound but not listening: the kernel refuses connects, and no one else can
// take the port while the object holds it.
RefusingPort::RefusingPort() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
  sockaddr_in address = Loopback(0);
  if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    throw std::runtime_error("cannot bind a loopback port");
  }
  port_ = BoundPort(fd_);
}

RefusingPort::~RefusingPort() {
  close(fd_);
}

}  // namespace zelmo::testing
