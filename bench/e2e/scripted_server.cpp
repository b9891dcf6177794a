#include "scripted_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace zelmo::bench {

namespace {

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, 60 * 60 * 1000));
}

void SetNonBlocking(int fd) {
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

}  // namespace

ScriptedServer::ScriptedServer() {
  listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listen_fd_, 4) != 0 ||
      getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(listen_fd_);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  SetNonBlocking(listen_fd_);
}

ScriptedServer::~ScriptedServer() {
  if (fd_ >= 0) close(fd_);
  close(listen_fd_);
}

bool ScriptedServer::Accept(Clock::time_point deadline) {
  for (;;) {
    fd_ = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd_ >= 0) break;
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
    pollfd waiting{listen_fd_, POLLIN, 0};
    if (poll(&waiting, 1, MillisecondsLeft(deadline)) == 0) return false;
  }
  int one = 1;
  setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return true;
}

bool ScriptedServer::Send(std::string_view bytes, Clock::time_point deadline) {
  while (!bytes.empty()) {
    ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    if (!PollOnce(bytes, deadline)) return false;
  }
  return true;
}

std::optional<ScriptedServer::Line> ScriptedServer::WaitFor(
    const std::function<bool(std::string_view)>& test, Clock::time_point deadline) {
  std::string_view nothing;
  for (;;) {
    while (!lines_.empty()) {
      Line line = std::move(lines_.front());
      lines_.pop_front();
      if (test(line.text)) return line;
    }
    if (closed_ || !PollOnce(nothing, deadline)) return std::nullopt;
  }
}

bool ScriptedServer::PollOnce(std::string_view& out, Clock::time_point deadline) {
  pollfd waiting{fd_, static_cast<short>(POLLIN | (out.empty() ? 0 : POLLOUT)), 0};
  int ready = poll(&waiting, 1, MillisecondsLeft(deadline));
  if (ready < 0 && errno == EINTR) return true;
  if (ready <= 0) return false;
  if (waiting.revents & (POLLIN | POLLHUP | POLLERR)) {
    if (!ReadAvailable()) return false;
  }
  return true;
}

bool ScriptedServer::ReadAvailable() {
  char buffer[65536];
  for (;;) {
    ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (got <= 0) {
      closed_ = true;
      return false;
    }
    Clock::time_point now = Clock::now();
    partial_.append(buffer, static_cast<std::size_t>(got));
    std::size_t start = 0;
    for (std::size_t end; (end = partial_.find('\n', start)) != std::string::npos;
         start = end + 1) {
      std::size_t length = end - start;
      if (length > 0 && partial_[end - 1] == '\r') --length;
      lines_.push_back({now, partial_.substr(start, length)});
      ++lines_received_;
    }
    partial_.erase(0, start);
  }
}

}  // namespace zelmo::bench
