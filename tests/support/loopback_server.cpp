#include "support/loopback_server.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <system_error>

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

using Clock = LoopbackPeer::Clock;

// A whole buffer's worth of bytes already read is moved out of the way once
// it is also half of what is held.
constexpr std::size_t kCompactAfter = 65536;

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

// Waits until fd reports one of the events: the events it reports, or 0 on
// time-out or stop. A deadline already passed still looks once.
short PollUntil(int fd, short events, const StopSignal& stop, Clock::time_point deadline) {
  for (;;) {
    int left = MillisecondsLeft(deadline);
    std::array<pollfd, 2> entries{{{fd, events, 0}, {stop.Fd(), POLLIN, 0}}};
    int ready = ::poll(entries.data(), entries.size(), left);
    if (ready < 0 && errno != EINTR) return 0;
    if (entries[1].revents != 0) return 0;
    if (ready > 0 && entries[0].revents != 0) return entries[0].revents;
    if (left == 0) return 0;
  }
}

}  // namespace

LoopbackPeer::LoopbackPeer(int fd, std::shared_ptr<StopSignal> stop,
                           std::unique_ptr<PeerChannel> channel)
    : fd_(fd), stop_(std::move(stop)), channel_(std::move(channel)) {}

LoopbackPeer::~LoopbackPeer() {
  Close();
}

long LoopbackPeer::SendNow(std::string_view bytes) {
  if (channel_) return channel_->Send(bytes);
  for (;;) {
    ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent >= 0) return static_cast<long>(sent);
    if (errno == EINTR) continue;
    return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
  }
}

long LoopbackPeer::ReceiveInto(char* into, std::size_t size) {
  if (channel_) return channel_->Receive(into, size);
  for (;;) {
    ssize_t received = ::recv(fd_, into, size, MSG_DONTWAIT);
    if (received > 0) return static_cast<long>(received);
    if (received < 0 && errno == EINTR) continue;
    return (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) ? 0 : -1;
  }
}

bool LoopbackPeer::Send(std::string_view bytes, Wait wait) {
  const auto deadline = Clock::now() + wait;
  while (fd_ >= 0 && !bytes.empty()) {
    long sent = SendNow(bytes);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0) {
      client_closed_ = true;
      return false;
    }
    // The client may be waiting for room to send its own lines before it
    // reads again, so its bytes are taken in while this waits.
    short events = POLLOUT | (client_closed_ ? 0 : POLLIN);
    short ready = PollUntil(fd_, events, *stop_, deadline);
    if (ready == 0) return false;
    if ((ready & (POLLIN | POLLHUP | POLLERR)) && !client_closed_) Drain();
  }
  return fd_ >= 0;
}

bool LoopbackPeer::SendLine(std::string_view line, Wait wait) {
  std::string bytes(line);
  bytes += "\r\n";
  return Send(bytes, wait);
}

long LoopbackPeer::TrySend(std::string_view bytes) {
  return fd_ < 0 ? -1 : SendNow(bytes);
}

int LoopbackPeer::ReceiveNow() {
  std::array<char, 65536> chunk;
  long received = ReceiveInto(chunk.data(), chunk.size());
  if (received > 0) {
    pending_.append(chunk.data(), static_cast<std::size_t>(received));
    arrivals_.emplace_back(pending_.size(), Clock::now());
    return 1;
  }
  if (received == 0) return 0;
  client_closed_ = true;
  return -1;
}

bool LoopbackPeer::ReceiveMore(Clock::time_point deadline) {
  if (fd_ < 0 || client_closed_) return false;
  for (;;) {
    const bool buffered = channel_ && channel_->Buffered();
    if (!buffered && PollUntil(fd_, POLLIN, *stop_, deadline) == 0) return false;
    int received = ReceiveNow();
    if (received != 0) return received > 0;
  }
}

// Unread bytes at close() make the kernel answer with RST instead of FIN,
// so whatever the client has sent is taken in first (and kept for reads).
void LoopbackPeer::Drain() {
  while (ReceiveNow() > 0) {
  }
}

void LoopbackPeer::Consume(std::size_t end) {
  read_ = end;
  if (read_ == pending_.size()) {
    pending_.clear();
    arrivals_.clear();
    read_ = 0;
    return;
  }
  if (read_ < kCompactAfter || read_ < pending_.size() / 2) return;
  while (!arrivals_.empty() && arrivals_.front().first <= read_) arrivals_.pop_front();
  for (auto& arrival : arrivals_) arrival.first -= read_;
  pending_.erase(0, read_);
  read_ = 0;
}

std::optional<std::string> LoopbackPeer::NextLine() {
  std::size_t end = pending_.find('\n', read_);
  if (end == std::string::npos) return std::nullopt;
  std::size_t length = end - read_;
  if (length > 0 && pending_[end - 1] == '\r') --length;
  std::string line = pending_.substr(read_, length);
  // The receive that brought the line feed completed the line.
  while (!arrivals_.empty() && arrivals_.front().first <= end) arrivals_.pop_front();
  if (!arrivals_.empty()) last_arrival_ = arrivals_.front().second;
  ++lines_read_;
  Consume(end + 1);
  return line;
}

std::optional<std::string> LoopbackPeer::ReadLineBy(Clock::time_point deadline) {
  for (;;) {
    if (auto line = NextLine()) return line;
    if (!ReceiveMore(deadline)) return std::nullopt;
  }
}

std::optional<std::string> LoopbackPeer::ReadLine(Wait wait) {
  return ReadLineBy(Clock::now() + wait);
}

std::optional<std::string> LoopbackPeer::AwaitLine(
    const std::function<bool(const std::string&)>& match, Wait wait) {
  const auto deadline = Clock::now() + wait;
  for (;;) {
    auto line = ReadLineBy(deadline);
    if (!line || match(*line)) return line;
  }
}

std::optional<std::string> LoopbackPeer::AwaitLineStarting(std::string_view text, Wait wait) {
  return AwaitLine([text](const std::string& line) { return line.starts_with(text); }, wait);
}

std::vector<std::string> LoopbackPeer::TakeLines() {
  if (fd_ >= 0 && !client_closed_) Drain();
  std::vector<std::string> lines;
  while (auto line = NextLine()) lines.push_back(std::move(*line));
  return lines;
}

std::optional<std::string> LoopbackPeer::ReadBytes(std::size_t count, Wait wait) {
  const auto deadline = Clock::now() + wait;
  while (pending_.size() - read_ < count) {
    if (!ReceiveMore(deadline)) return std::nullopt;
  }
  std::string bytes = pending_.substr(read_, count);
  Consume(read_ + count);
  return bytes;
}

bool LoopbackPeer::WaitClosed(Wait wait) {
  const auto deadline = Clock::now() + wait;
  while (!client_closed_) {
    if (!ReceiveMore(deadline)) return client_closed_;
  }
  return true;
}

std::optional<std::string> LoopbackPeer::ReadUntilClosed(Wait wait) {
  if (!WaitClosed(wait)) return std::nullopt;
  std::string rest = pending_.substr(read_);
  Consume(pending_.size());
  return rest;
}

void LoopbackPeer::Close() {
  if (fd_ < 0) return;
  if (!client_closed_) Drain();
  channel_.reset();
  ::shutdown(fd_, SHUT_WR);
  ::close(fd_);
  fd_ = -1;
}

void LoopbackPeer::Reset() {
  if (fd_ < 0) return;
  channel_.reset();
  linger abort{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  ::close(fd_);
  fd_ = -1;
}

LoopbackServer::LoopbackServer(int receive_buffer)
    : socket_(true, receive_buffer), stop_(std::make_shared<StopSignal>()) {}

LoopbackServer::~LoopbackServer() {
  Stop();
}

std::shared_ptr<LoopbackPeer> LoopbackServer::Accept(std::chrono::milliseconds wait) {
  const int listening = socket_.Fd();
  if (listening < 0 || PollUntil(listening, POLLIN, *stop_, Clock::now() + wait) == 0) {
    return nullptr;
  }
  int fd = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return nullptr;
  // Lines go out as they are sent, so that round trips measure the client.
  int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  std::unique_ptr<PeerChannel> channel;
  if (channel_ && !(channel = channel_(fd))) {
    ::close(fd);
    return nullptr;
  }
  return std::make_shared<LoopbackPeer>(fd, stop_, std::move(channel));
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
  socket_.Close();
}

}  // namespace zelmo::testing
