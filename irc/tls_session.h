#pragma once

#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "irc/socket_handle.h"
#include "irc/tls_settings.h"

struct ssl_st;
struct ssl_ctx_st;

namespace zelmo {

// TLS over one connected socket, which it switches to non-blocking: every
// wait is a poll() outside the lock, so one thread can wait for bytes while
// another sends. The lock is held only around the calls into OpenSSL, whose
// connection object does not take a read and a write at the same time.
class TlsSession {
 public:
  // Runs the handshake with the server Host names and checks its
  // certificate as the settings ask; raises EIdTLSError saying why when it
  // fails, or when it takes longer than timeout_ms.
  TlsSession(TIdSocketHandle& socket, const std::string& host, const TlsSettings& settings,
             int timeout_ms);
  ~TlsSession();
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  // Like the socket's own: true once a receive has something to hand out.
  bool WaitReadable(int timeout_ms) const;
  // 0 bytes without an error: the server ended the stream.
  IoResult Receive(std::span<char> into);
  // Fails with 10035 when no byte goes for the socket's send time-out.
  IoResult Send(std::string_view bytes);

 private:
  struct Step {
    int result;
    int error;
  };
  // One call into OpenSSL under the lock, with its SSL_get_error.
  template <typename Call>
  Step Locked(Call call);
  void Handshake(int timeout_ms);
  void CheckCertificate(const std::string& host) const;
  IoResult Failed(int code);

  TIdSocketHandle& socket_;
  const TlsSettings settings_;
  std::unique_ptr<ssl_ctx_st, void (*)(ssl_ctx_st*)> context_;
  std::unique_ptr<ssl_st, void (*)(ssl_st*)> ssl_;
  mutable std::mutex mutex_;
  bool broken_ = false;  // after a fatal error OpenSSL must not be called again
};

// "ab:CD:.." -> "abcd.."; empty when the text is no SHA-256 in hex.
std::string NormalizeFingerprint(std::string_view text);

}  // namespace zelmo
