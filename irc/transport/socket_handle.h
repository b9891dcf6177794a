#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace zelmo {

// The outcome of one receive or send: bytes moved, or the table's code of
// the failure (0 when there was none).
struct IoResult {
  std::size_t bytes = 0;
  int error = 0;
};

// One TCP stream socket. Closing shuts both directions down, which wakes any
// thread blocked on the socket, and only marks the handle closed: the
// descriptor itself is released when the handle is destroyed. Holders keep
// the handle in a shared_ptr for the length of each call, so a descriptor is
// never released (and its number reused) while another thread still uses it.
class TIdSocketHandle {
 public:
  // Allocates the socket of that address family (AF_INET, AF_INET6); a
  // failure raises the socket error.
  explicit TIdSocketHandle(int family);
  // The family of an address text: IPv6 when it holds a colon.
  static int FamilyOf(const std::string& address);
  int Family() const { return family_; }
  // The socket's own address as text; empty when it has none.
  std::string LocalIP() const;
  ~TIdSocketHandle();
  TIdSocketHandle(const TIdSocketHandle&) = delete;
  TIdSocketHandle& operator=(const TIdSocketHandle&) = delete;

  void Bind(const std::string& address, int port);
  void SetNoDelay();
  // A send that cannot hand over a byte for this long fails with 10035
  // instead of waiting on; 0 waits without limit.
  void SetSendTimeout(int timeout_ms);
  // A timeout of 0 or less waits as long as the platform does; a positive
  // one (milliseconds) raises 10060 when it runs out.
  void Connect(const std::string& address, int port, int timeout_ms);

  // Waits until a receive would not block; false when timeout_ms (0: no
  // limit) ran out first.
  bool WaitReadable(int timeout_ms) const;
  // For a layer that drives the socket with its own waits (TLS).
  void SetNonBlocking();
  int Fd() const { return fd_; }
  int SendTimeout() const { return send_timeout_ms_.load(std::memory_order_relaxed); }
  IoResult Receive(std::span<char> into) const;
  // Never raises SIGPIPE; a broken link comes back as an error code.
  IoResult Send(std::string_view bytes) const;

  // True for the one call that closed an open socket.
  bool Close();
  bool IsOpen() const { return open_.load(std::memory_order_acquire); }

  // The closed mark: the peer has ended the connection, or the socket was
  // closed here.
  void MarkClosed() { closed_mark_.store(true, std::memory_order_release); }
  bool ClosedMark() const { return closed_mark_.load(std::memory_order_acquire); }

 private:
  void WaitConnected(int timeout_ms);

  const int family_;
  const int fd_;
  std::atomic<bool> open_{true};
  std::atomic<bool> closed_mark_{false};
  std::atomic<int> send_timeout_ms_{0};
};

class TlsLink;
struct TlsSettings;

// The socket handler a client makes for each connection; it owns the socket
// and, on a secured link, the TLS session over it. Bytes go in and out
// through the handler, so the layers above read and write a TLS link as
// they do a plain one.
class TIdIOHandlerSocket {
 public:
  explicit TIdIOHandlerSocket(int family);
  ~TIdIOHandlerSocket();
  TIdSocketHandle& Binding() { return binding_; }
  const TIdSocketHandle& Binding() const { return binding_; }
  bool Connected() const { return binding_.IsOpen(); }

  // Secures the connected socket; raises EIdTLSError when that fails.
  void StartTls(const std::string& host, const TlsSettings& settings, int timeout_ms);
  bool Secured() const { return tls_ != nullptr; }
  // The secured link's server certificate and protocol; none when plain.
  const TlsLink* Tls() const { return tls_.get(); }

  bool WaitReadable(int timeout_ms) const;
  IoResult Receive(std::span<char> into);
  IoResult Send(std::string_view bytes);

 private:
  TIdSocketHandle binding_;
  std::unique_ptr<TlsLink> tls_;
};

}  // namespace zelmo
