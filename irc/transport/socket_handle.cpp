#include "irc/transport/socket_handle.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>

#include "irc/transport/tls_link.h"
#include "irc/transport/transport_errors.h"

namespace zelmo {

namespace {

using Clock = std::chrono::steady_clock;

int AllocateSocket(int family) {
  int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) RaiseLastSocketError();
  return fd;
}

// An address of the socket's family; an empty text is any address.
struct SocketAddress {
  sockaddr_storage storage{};
  socklen_t length = 0;
  const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

// The interface a link-local address's zone names ("eth0") or numbers.
std::uint32_t ScopeId(const std::string& zone) {
  std::uint32_t index = ::if_nametoindex(zone.c_str());
  if (index == 0) {
    auto [end, error] = std::from_chars(zone.data(), zone.data() + zone.size(), index);
    if (error != std::errc() || end != zone.data() + zone.size()) index = 0;
  }
  if (index == 0) throw EIdSocketError(kWsaAddrNotAvail);
  return index;
}

SocketAddress MakeAddress(int family, const std::string& address, int port) {
  if (port < 0 || port > 65535) throw EIdSocketError(kWsaAddrNotAvail);
  const auto net_port = htons(static_cast<std::uint16_t>(port));
  SocketAddress result;
  if (family == AF_INET6) {
    auto& v6 = reinterpret_cast<sockaddr_in6&>(result.storage);
    v6.sin6_family = AF_INET6;
    v6.sin6_port = net_port;
    v6.sin6_addr = in6addr_any;
    result.length = sizeof v6;
    const std::size_t percent = address.find('%');
    const std::string plain = address.substr(0, percent);
    if (!plain.empty() && inet_pton(AF_INET6, plain.c_str(), &v6.sin6_addr) != 1) {
      throw EIdSocketError(kWsaAddrNotAvail);
    }
    if (percent != std::string::npos) v6.sin6_scope_id = ScopeId(address.substr(percent + 1));
    return result;
  }
  auto& v4 = reinterpret_cast<sockaddr_in&>(result.storage);
  v4.sin_family = AF_INET;
  v4.sin_port = net_port;
  v4.sin_addr.s_addr = htonl(INADDR_ANY);
  result.length = sizeof v4;
  if (!address.empty() && inet_pton(AF_INET, address.c_str(), &v4.sin_addr) != 1) {
    throw EIdSocketError(kWsaAddrNotAvail);
  }
  return result;
}

// poll() with a deadline that survives signals; timeout_ms 0 or less waits
// without limit. Returns the revents, or 0 when the time ran out.
short PollFor(int fd, short events, int timeout_ms) {
  const bool limited = timeout_ms > 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int wait = -1;
    if (limited) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return 0;
      wait = static_cast<int>(left.count());
    }
    pollfd entry{fd, events, 0};
    int ready = ::poll(&entry, 1, wait);
    if (ready > 0) return entry.revents;
    if (ready < 0 && errno != EINTR) RaiseLastSocketError();
  }
}

// A TLS link's errno as the socket error table's code.
IoResult InTable(IoResult result) {
  if (result.error != 0) result.error = WinsockCode(result.error);
  return result;
}

void SetBlocking(int fd, bool blocking) {
  int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) RaiseLastSocketError();
  flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  if (::fcntl(fd, F_SETFL, flags) < 0) RaiseLastSocketError();
}

}  // namespace

TIdSocketHandle::TIdSocketHandle(int family) : family_(family), fd_(AllocateSocket(family)) {}

int TIdSocketHandle::FamilyOf(const std::string& address) {
  return address.find(':') == std::string::npos ? AF_INET : AF_INET6;
}

std::string TIdSocketHandle::LocalIP() const {
  sockaddr_storage local{};
  socklen_t length = sizeof local;
  if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length) != 0) return {};
  char text[INET6_ADDRSTRLEN] = {};
  const void* binary =
      local.ss_family == AF_INET6
          ? static_cast<const void*>(&reinterpret_cast<sockaddr_in6&>(local).sin6_addr)
          : static_cast<const void*>(&reinterpret_cast<sockaddr_in&>(local).sin_addr);
  if (inet_ntop(local.ss_family, binary, text, sizeof text) == nullptr) return {};
  return text;
}

TIdSocketHandle::~TIdSocketHandle() {
  ::close(fd_);
}

void TIdSocketHandle::Bind(const std::string& address, int port) {
  const SocketAddress local = MakeAddress(family_, address, port);
#ifdef IP_BIND_ADDRESS_NO_PORT
  // A bound address without a port takes its port at connect time, where
  // the far end is known: otherwise every outgoing connection from that
  // address needs a port of its own, and a few thousand reconnections whose
  // ports still wait in TIME_WAIT make bind() fail with "Address already in
  // use".
  if (port == 0) {
    int on = 1;
    ::setsockopt(fd_, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &on, sizeof on);
  }
#endif
  if (::bind(fd_, local.get(), local.length) != 0) {
    RaiseLastSocketError();
  }
}

void TIdSocketHandle::SetNoDelay() {
  int on = 1;
  if (::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) RaiseLastSocketError();
}

// The connect always runs non-blocking and waits with poll(): that bounds it
// when asked to, and a signal arriving meanwhile cannot leave it half done.
void TIdSocketHandle::Connect(const std::string& address, int port, int timeout_ms) {
  const SocketAddress remote = MakeAddress(family_, address, port);
  SetBlocking(fd_, false);
  if (::connect(fd_, remote.get(), remote.length) != 0) {
    if (errno != EINPROGRESS && errno != EINTR) RaiseLastSocketError();
    WaitConnected(timeout_ms);
  }
  SetBlocking(fd_, true);
}

void TIdSocketHandle::WaitConnected(int timeout_ms) {
  if (PollFor(fd_, POLLOUT, timeout_ms) == 0) throw EIdSocketError(kWsaTimedOut);
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) RaiseLastSocketError();
  if (error != 0) throw EIdSocketError(WinsockCode(error));
}

void TIdSocketHandle::SetSendTimeout(int timeout_ms) {
  timeval limit{};
  limit.tv_sec = timeout_ms / 1000;
  limit.tv_usec = (timeout_ms % 1000) * 1000;
  ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  send_timeout_ms_.store(timeout_ms, std::memory_order_relaxed);
}

void TIdSocketHandle::SetNonBlocking() {
  SetBlocking(fd_, false);
}

bool TIdSocketHandle::WaitReadable(int timeout_ms) const {
  return PollFor(fd_, POLLIN, timeout_ms) != 0;
}

IoResult TIdSocketHandle::Receive(std::span<char> into) const {
  for (;;) {
    ssize_t received = ::recv(fd_, into.data(), into.size(), 0);
    if (received >= 0) return {static_cast<std::size_t>(received), 0};
    if (errno != EINTR) return {0, WinsockCode(errno)};
  }
}

IoResult TIdSocketHandle::Send(std::string_view bytes) const {
  for (;;) {
    ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent >= 0) return {static_cast<std::size_t>(sent), 0};
    if (errno != EINTR) return {0, WinsockCode(errno)};
  }
}

bool TIdSocketHandle::Close() {
  MarkClosed();
  if (!open_.exchange(false, std::memory_order_acq_rel)) return false;
  // Both directions: a reader blocked in poll() or recv() on another thread
  // wakes up and sees the end of the stream.
  ::shutdown(fd_, SHUT_RDWR);
  return true;
}

TIdIOHandlerSocket::TIdIOHandlerSocket(int family) : binding_(family) {}
TIdIOHandlerSocket::~TIdIOHandlerSocket() = default;

void TIdIOHandlerSocket::StartTls(const std::string& host, const TlsSettings& settings,
                                  int timeout_ms) {
  ZelmoTlsConnect* connect = LoadTlsModule();
  binding_.SetNonBlocking();
  TlsRefusal refusal;
  tls_.reset(connect(binding_.Fd(), host, settings, timeout_ms, refusal));
  if (!tls_) throw EIdTLSError(refusal.reason, refusal.permanent);
}

bool TIdIOHandlerSocket::WaitReadable(int timeout_ms) const {
  return tls_ ? tls_->WaitReadable(timeout_ms) : binding_.WaitReadable(timeout_ms);
}

IoResult TIdIOHandlerSocket::Receive(std::span<char> into) {
  return tls_ ? InTable(tls_->Receive(into)) : binding_.Receive(into);
}

IoResult TIdIOHandlerSocket::Send(std::string_view bytes) {
  return tls_ ? InTable(tls_->Send(bytes, binding_.SendTimeout())) : binding_.Send(bytes);
}

}  // namespace zelmo
