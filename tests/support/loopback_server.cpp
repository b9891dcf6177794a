#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace zelmo::testing {

// An eventfd that, once raised, makes every poll that includes it return.
class StopSignal {
 public:
  StopSignal() : fd_(::eventfd(0, EFD_CLOEXEC)) {
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  }
  ~StopSignal() { ::close(fd_); }
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  void Raise() {
    std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(fd_, &one, sizeof one);
  }
  int Fd() const { return fd_; }

 private:
  int fd_;
};

namespace {

using Clock = std::chrono::steady_clock;

// Waits until fd is ready for events. False on time-out or stop.
bool WaitFor(int fd, short events, const StopSignal& stop, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    std::array<pollfd, 2> entries{{{fd, events, 0}, {stop.Fd(), POLLIN, 0}}};
    int ready = ::poll(entries.data(), entries.size(), static_cast<int>(left));
    if (ready < 0 && errno != EINTR) return false;
    if (entries[1].revents != 0) return false;
    if (ready > 0 && entries[0].revents != 0) return true;
  }
}

}  // namespace

LoopbackPeer::LoopbackPeer(int fd, std::shared_ptr<StopSignal> stop)
    : fd_(fd), stop_(std::move(stop)) {}

LoopbackPeer::~LoopbackPeer() {
  Close();
}

bool LoopbackPeer::Send(std::string_view bytes) {
  while (fd_ >= 0 && !bytes.empty()) {
    ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return fd_ >= 0;
}

bool LoopbackPeer::ReceiveMore(int timeout_ms) {
  if (fd_ < 0 || client_closed_) return false;
  if (!WaitFor(fd_, POLLIN, *stop_, timeout_ms)) return false;
  std::array<char, 65536> chunk;
  ssize_t received;
  do {
    received = ::recv(fd_, chunk.data(), chunk.size(), 0);
  } while (received < 0 && errno == EINTR);
  if (received <= 0) {
    client_closed_ = true;
    return false;
  }
  pending_.append(chunk.data(), static_cast<std::size_t>(received));
  return true;
}

std::optional<std::string> LoopbackPeer::ReadLine(int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    std::size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || !ReceiveMore(static_cast<int>(left))) return std::nullopt;
  }
}

std::optional<std::string> LoopbackPeer::ReadBytes(std::size_t count, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (pending_.size() < count) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || !ReceiveMore(static_cast<int>(left))) return std::nullopt;
  }
  std::string bytes = pending_.substr(0, count);
  pending_.erase(0, count);
  return bytes;
}

bool LoopbackPeer::WaitClosed(int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!client_closed_) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || !ReceiveMore(static_cast<int>(left))) return client_closed_;
  }
  return true;
}

std::optional<std::string> LoopbackPeer::ReadUntilClosed(int timeout_ms) {
  if (!WaitClosed(timeout_ms)) return std::nullopt;
  return std::exchange(pending_, std::string());
}

// Unread bytes at close() make the kernel answer with RST instead of FIN,
// so whatever the client has sent is taken in first (and kept for reads).
void LoopbackPeer::Drain() {
  std::array<char, 65536> chunk;
  for (;;) {
    ssize_t received = ::recv(fd_, chunk.data(), chunk.size(), MSG_DONTWAIT);
    if (received < 0 && errno == EINTR) continue;
    if (received == 0) client_closed_ = true;
    if (received <= 0) return;
    pending_.append(chunk.data(), static_cast<std::size_t>(received));
  }
}

void LoopbackPeer::Close() {
  if (fd_ < 0) return;
  Drain();
  ::shutdown(fd_, SHUT_WR);
  ::close(fd_);
  fd_ = -1;
}

void LoopbackPeer::Reset() {
  if (fd_ < 0) return;
  linger abort{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  ::close(fd_);
  fd_ = -1;
}

LoopbackServer::LoopbackServer() : stop_(std::make_shared<StopSignal>()) {
  listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0) throw std::system_error(errno, std::generic_category(), "socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listen_fd_, 16) != 0 ||
      ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    int error = errno;
    ::close(listen_fd_);
    throw std::system_error(error, std::generic_category(), "loopback listen");
  }
  port_ = ntohs(address.sin_port);
}

LoopbackServer::~LoopbackServer() {
  Stop();
}

std::shared_ptr<LoopbackPeer> LoopbackServer::Accept(int timeout_ms) {
  if (listen_fd_ < 0 || !WaitFor(listen_fd_, POLLIN, *stop_, timeout_ms)) return nullptr;
  int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::make_shared<LoopbackPeer>(fd, stop_);
}

void LoopbackServer::Run(std::function<void(LoopbackServer&)> script) {
  Join();
  script_ = std::thread([this, script = std::move(script)] { script(*this); });
}

void LoopbackServer::Join() {
  if (script_.joinable()) script_.join();
}

void LoopbackServer::Stop() {
  stop_->Raise();
  Join();
  if (listen_fd_ >= 0) {
    ::close(listen_fd_);
    listen_fd_ = -1;
  }
}

}  // namespace zelmo::testing
