#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "irc/transport/tls/tls_refused.h"
#include "irc/transport/tls_link.h"

struct ssl_st;
struct ssl_ctx_st;
struct x509_st;

namespace zelmo {

// TLS over one connected, non-blocking socket: every wait is a poll()
// outside the lock, so one thread can wait for bytes while another sends.
// The lock is held only around the calls into OpenSSL, whose connection
// object does not take a read and a write at the same time.
class TlsSession : public TlsLink {
 public:
  // Runs the handshake and checks the certificate; raises TlsRefused
  // saying why when that fails, or when it takes longer than timeout_ms.
  TlsSession(int fd, const std::string& host, const TlsSettings& settings, int timeout_ms);
  ~TlsSession() override;
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  bool WaitReadable(int timeout_ms) const override;
  IoResult Receive(std::span<char> into) override;
  IoResult Send(std::string_view bytes, int timeout_ms) override;
  std::string PeerSubject() const override { return subject_; }
  std::string Protocol() const override { return protocol_; }

 private:
  using Clock = std::chrono::steady_clock;
  struct Step {
    int result;
    int error;
  };
  // One call into OpenSSL under the lock, with its SSL_get_error.
  template <typename Call>
  Step Locked(Call call);
  void Handshake(int timeout_ms);
  // Waits for the server's answer to the client's hello, and refuses a
  // server whose first bytes are no TLS record or that says nothing for a
  // few seconds: a plain-text port, most likely.
  void AwaitFirstAnswer(Clock::time_point deadline);
  void CheckFirstAnswer();
  void NoteWhatWasAgreed(x509_st* certificate);
  void CheckCertificate(x509_st* certificate, const std::string& host) const;
  static void GiveBackSetUpMemory();

  const int fd_;
  const TlsSettings settings_;
  std::unique_ptr<ssl_ctx_st, void (*)(ssl_ctx_st*)> context_;
  std::unique_ptr<ssl_st, void (*)(ssl_st*)> ssl_;
  std::string subject_;
  std::string protocol_;
  bool answered_ = false;
  mutable std::mutex mutex_;
  bool broken_ = false;  // after a fatal error OpenSSL must not be called again
  std::atomic<bool> first_bytes_taken_ = false;
};

// "ab:CD:.." -> "abcd.."; empty when the text is no SHA-256 in hex.
std::string NormalizeFingerprint(std::string_view text);

}  // namespace zelmo
