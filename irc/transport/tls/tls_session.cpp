#include "irc/transport/tls/tls_session.h"

#include <arpa/inet.h>
#include <malloc.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "irc/transport/tls/tls_context.h"

namespace zelmo {

namespace {

using Clock = std::chrono::steady_clock;

// A handshake with no bound of its own still ends: a server that accepts
// the connection and never answers would hold the connect forever.
constexpr int kDefaultHandshakeMs = 30000;
// A TLS server answers the client's hello within a round trip.
constexpr int kFirstAnswerMs = 5000;
constexpr std::size_t kLongestSubject = 256;
constexpr const char* kNotTls = "the server did not answer with TLS (is this a TLS port?)";

bool IsAddressLiteral(const std::string& host) {
  unsigned char address[16];
  return inet_pton(AF_INET, host.c_str(), address) == 1 ||
         inet_pton(AF_INET6, host.c_str(), address) == 1;
}

// A TLS record begins with its content type (20 to 24) and the major
// version 3; a plain-text server's first line begins with text.
bool BeginsTlsRecord(const unsigned char* bytes, ssize_t count) {
  if (count >= 1 && (bytes[0] < 20 || bytes[0] > 24)) return false;
  return count < 2 || bytes[1] == 3;
}

std::string SubjectText(X509* certificate) {
  std::unique_ptr<BIO, int (*)(BIO*)> text(BIO_new(BIO_s_mem()), BIO_free);
  if (!text) return {};
  X509_NAME_print_ex(text.get(), X509_get_subject_name(certificate), 0, XN_FLAG_RFC2253);
  char* data = nullptr;
  const long size = BIO_get_mem_data(text.get(), &data);
  std::string subject(data, static_cast<std::size_t>(std::max(size, 0L)));
  if (subject.size() > kLongestSubject) subject.resize(kLongestSubject);
  return subject;
}

std::string CertificateFingerprint(X509* certificate) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (X509_digest(certificate, EVP_sha256(), digest, &length) != 1) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < length; ++i) {
    text += kHex[digest[i] >> 4];
    text += kHex[digest[i] & 15];
  }
  return text;
}

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::max<long long>(left, 0));
}

// poll() with a deadline that survives signals; timeout_ms 0 or less waits
// without limit. False when the time ran out; a failed poll() counts as
// ready, so that the next call into OpenSSL reports the error.
bool PollFor(int fd, short events, int timeout_ms) {
  const bool limited = timeout_ms > 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const int left = limited ? MillisecondsLeft(deadline) : -1;
    if (left == 0) return false;
    pollfd entry{fd, events, 0};
    int ready = ::poll(&entry, 1, left);
    if (ready != 0 && !(ready < 0 && errno == EINTR)) return true;
  }
}

// Waits for the socket as OpenSSL asked; false when the time ran out.
bool WaitFor(int fd, int ssl_error, int timeout_ms) {
  return PollFor(fd, ssl_error == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN, timeout_ms);
}

}  // namespace

std::string NormalizeFingerprint(std::string_view text) {
  std::string hex;
  for (char c : text) {
    if (c == ':' || c == ' ') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return {};
    hex += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return hex.size() == 64 ? hex : std::string();
}

TlsSession::TlsSession(int fd, const std::string& host, const TlsSettings& settings, int timeout_ms)
    : fd_(fd), settings_(settings), context_(nullptr, SSL_CTX_free), ssl_(nullptr, SSL_free) {
  if (!settings_.fingerprint.empty() && NormalizeFingerprint(settings_.fingerprint).empty()) {
    Refuse("TLSFingerprint is not a SHA-256 fingerprint in hex");
  }
  ERR_clear_error();
  context_.reset(MakeClientContext(settings_));
  ssl_.reset(SSL_new(context_.get()));
  if (!ssl_ || SSL_set_fd(ssl_.get(), fd_) != 1) Refuse("cannot start: " + LastSslReason());
  if (IsAddressLiteral(host)) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_.get()), host.c_str());
  } else {
    SSL_set_tlsext_host_name(ssl_.get(), host.c_str());
    SSL_set1_host(ssl_.get(), host.c_str());
  }
  Handshake(timeout_ms > 0 ? timeout_ms : kDefaultHandshakeMs);
  std::unique_ptr<X509, void (*)(X509*)> certificate(SSL_get1_peer_certificate(ssl_.get()),
                                                     X509_free);
  if (!certificate) Refuse("the server sent no certificate");
  CheckCertificate(certificate.get(), host);
  NoteWhatWasAgreed(certificate.get());
  GiveBackSetUpMemory();
}

// What setting up and the handshake needed is freed now: give the freed heap
// back.
void TlsSession::GiveBackSetUpMemory() {
  ::malloc_trim(0);
}

TlsSession::~TlsSession() = default;

template <typename Call>
TlsSession::Step TlsSession::Locked(Call call) {
  std::lock_guard lock(mutex_);
  if (broken_) return {-1, SSL_ERROR_SSL};
  ERR_clear_error();
  errno = 0;
  int result = call(ssl_.get());
  int error = result > 0 ? SSL_ERROR_NONE : SSL_get_error(ssl_.get(), result);
  if (error == SSL_ERROR_SYSCALL || error == SSL_ERROR_SSL) broken_ = true;
  return {result, error};
}

void TlsSession::Handshake(int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    // Looked at before OpenSSL takes the bytes in: a plain-text server may
    // greet before the client's hello is out.
    if (!answered_) CheckFirstAnswer();
    Step step = Locked([](SSL* ssl) { return SSL_connect(ssl); });
    if (step.error == SSL_ERROR_NONE) return;
    if (step.error == SSL_ERROR_WANT_READ && !answered_) {
      AwaitFirstAnswer(deadline);
      continue;
    }
    if (step.error == SSL_ERROR_WANT_READ || step.error == SSL_ERROR_WANT_WRITE) {
      int left = MillisecondsLeft(deadline);
      if (left == 0 || !WaitFor(fd_, step.error, left)) RefuseForNow("handshake timed out");
      continue;
    }
    // A close is an end of the stream to OpenSSL (it ignores a missing
    // close_notify), not an error with a reason.
    if (step.error == SSL_ERROR_ZERO_RETURN || (step.error == SSL_ERROR_SYSCALL && errno == 0)) {
      RefuseForNow("handshake failed: the server closed the connection");
    }
    if (step.error == SSL_ERROR_SYSCALL) RefuseForNow("handshake failed: the connection was lost");
    // A greeting that came in with the hello's own read.
    if (!answered_ && ERR_GET_REASON(ERR_peek_last_error()) == SSL_R_WRONG_VERSION_NUMBER) {
      ERR_clear_error();
      Refuse(kNotTls);
    }
    RefuseForNow("handshake failed: " + LastSslReason());
  }
}

void TlsSession::AwaitFirstAnswer(Clock::time_point deadline) {
  const int left = MillisecondsLeft(deadline);
  if (left == 0) RefuseForNow("handshake timed out");
  if (!PollFor(fd_, POLLIN, std::min(left, kFirstAnswerMs))) {
    RefuseForNow(left > kFirstAnswerMs ? kNotTls : "handshake timed out");
  }
  CheckFirstAnswer();
}

void TlsSession::CheckFirstAnswer() {
  unsigned char head[2];
  const ssize_t count = ::recv(fd_, head, sizeof head, MSG_PEEK | MSG_DONTWAIT);
  // Nothing to look at yet, or the server closed or the link failed, which
  // the next step of the handshake reports.
  if (count <= 0) return;
  answered_ = true;
  if (!BeginsTlsRecord(head, count)) Refuse(kNotTls);
}

void TlsSession::NoteWhatWasAgreed(X509* certificate) {
  subject_ = SubjectText(certificate);
  protocol_ = SSL_get_version(ssl_.get());
}

void TlsSession::CheckCertificate(X509* certificate, const std::string& host) const {
  if (!settings_.fingerprint.empty()) {
    if (CertificateFingerprint(certificate) != NormalizeFingerprint(settings_.fingerprint)) {
      Refuse("certificate fingerprint does not match");
    }
    return;
  }
  if (!settings_.verify) return;
  long result = SSL_get_verify_result(ssl_.get());
  if (result != X509_V_OK) {
    std::string reason = X509_verify_cert_error_string(result);
    if (result == X509_V_ERR_HOSTNAME_MISMATCH || result == X509_V_ERR_IP_ADDRESS_MISMATCH) {
      reason += " (the certificate is not for " + host + ")";
    }
    Refuse("certificate verify failed: " + reason);
  }
}

bool TlsSession::WaitReadable(int timeout_ms) const {
  {
    std::lock_guard lock(mutex_);
    if (!broken_ && SSL_has_pending(ssl_.get()) == 1) return true;
  }
  return PollFor(fd_, POLLIN, timeout_ms);
}

IoResult TlsSession::Receive(std::span<char> into) {
  const int size = static_cast<int>(std::min<std::size_t>(into.size(), 1 << 30));
  for (;;) {
    Step step = Locked([&](SSL* ssl) { return SSL_read(ssl, into.data(), size); });
    switch (step.error) {
      case SSL_ERROR_NONE:
        // The server's session tickets come after the handshake, before its
        // first bytes; what taking them allocated is freed by now.
        if (!first_bytes_taken_.exchange(true)) GiveBackSetUpMemory();
        return {static_cast<std::size_t>(step.result), 0};
      case SSL_ERROR_ZERO_RETURN:
        return {0, 0};
      case SSL_ERROR_WANT_READ:
      case SSL_ERROR_WANT_WRITE:
        // A record not complete yet, or a message of TLS's own (a session
        // ticket): wait for the rest. A close here wakes the poll.
        WaitFor(fd_, step.error, 0);
        continue;
      case SSL_ERROR_SYSCALL:
        return {0, errno};
      default:
        return {0, ECONNABORTED};
    }
  }
}

IoResult TlsSession::Send(std::string_view bytes, int timeout_ms) {
  const int size = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 30));
  for (;;) {
    Step step = Locked([&](SSL* ssl) { return SSL_write(ssl, bytes.data(), size); });
    switch (step.error) {
      case SSL_ERROR_NONE:
        return {static_cast<std::size_t>(step.result), 0};
      case SSL_ERROR_WANT_READ:
      case SSL_ERROR_WANT_WRITE:
        if (!WaitFor(fd_, step.error, timeout_ms)) return {0, EWOULDBLOCK};
        continue;
      case SSL_ERROR_SYSCALL:
        return {0, errno != 0 ? errno : EPIPE};
      default:
        return {0, ECONNABORTED};
    }
  }
}

}  // namespace zelmo
