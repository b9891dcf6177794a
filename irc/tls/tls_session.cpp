#include "irc/tls/tls_session.h"

#include <arpa/inet.h>
#include <malloc.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <poll.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace zelmo {

namespace {

using Clock = std::chrono::steady_clock;

// A handshake with no bound of its own still ends: a server that accepts
// the connection and never answers would hold the connect forever.
constexpr int kDefaultHandshakeMs = 30000;

std::string LastSslReason() {
  unsigned long code = ERR_peek_last_error();
  ERR_clear_error();
  const char* reason = code != 0 ? ERR_reason_error_string(code) : nullptr;
  return reason != nullptr ? reason : "unknown error";
}

[[noreturn]] void Refuse(const std::string& why) {
  throw TlsRefused("TLS: " + why);
}

bool IsAddressLiteral(const std::string& host) {
  unsigned char address[16];
  return inet_pton(AF_INET, host.c_str(), address) == 1 ||
         inet_pton(AF_INET6, host.c_str(), address) == 1;
}

// The system's CAs from their hashed folder (SSL_CERT_DIR when set), where
// a CA is read only when a chain names it. The system's bundle file is not
// read by default: parsing it would keep every CA in memory, about 900 KB,
// for the one a server needs. SSL_CERT_FILE, when the operator sets it, is
// read as OpenSSL's own tools read it.
void TrustSystemStore(SSL_CTX* context) {
  const char* folder = std::getenv(X509_get_default_cert_dir_env());
  SSL_CTX_load_verify_dir(context, folder != nullptr ? folder : X509_get_default_cert_dir());
  if (const char* file = std::getenv(X509_get_default_cert_file_env())) {
    SSL_CTX_load_verify_file(context, file);
  }
  ERR_clear_error();
}

ssl_ctx_st* MakeContext(const TlsSettings& settings) {
  SSL_CTX* context = SSL_CTX_new(TLS_client_method());
  if (context == nullptr) Refuse("cannot start: " + LastSslReason());
  std::unique_ptr<SSL_CTX, void (*)(SSL_CTX*)> owned(context, SSL_CTX_free);
  SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
  // Whole records in few reads; a server that closes without close_notify
  // ends the stream like one that sends it, as IRC servers often do.
  SSL_CTX_set_read_ahead(context, 1);
  SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
  // An idle link holds no record buffers.
  SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER |
                                SSL_MODE_RELEASE_BUFFERS);
  // The result is checked after the handshake, so a pin can overrule it.
  SSL_CTX_set_verify(context, SSL_VERIFY_NONE, nullptr);
  if (settings.verify && settings.fingerprint.empty()) {
    TrustSystemStore(context);
    if (!settings.ca_file.empty() &&
        SSL_CTX_load_verify_locations(context, settings.ca_file.c_str(), nullptr) != 1) {
      Refuse("cannot read the CA file " + settings.ca_file + ": " + LastSslReason());
    }
  }
  if (!settings.cert_file.empty()) {
    const char* file = settings.cert_file.c_str();
    if (SSL_CTX_use_certificate_chain_file(context, file) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, file, SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(context) != 1) {
      Refuse("cannot use the client certificate " + settings.cert_file + ": " + LastSslReason());
    }
  }
  return owned.release();
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
  context_.reset(MakeContext(settings_));
  ssl_.reset(SSL_new(context_.get()));
  if (!ssl_ || SSL_set_fd(ssl_.get(), fd_) != 1) Refuse("cannot start: " + LastSslReason());
  if (IsAddressLiteral(host)) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_.get()), host.c_str());
  } else {
    SSL_set_tlsext_host_name(ssl_.get(), host.c_str());
    SSL_set1_host(ssl_.get(), host.c_str());
  }
  Handshake(timeout_ms > 0 ? timeout_ms : kDefaultHandshakeMs);
  CheckCertificate(host);
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
    Step step = Locked([](SSL* ssl) { return SSL_connect(ssl); });
    if (step.error == SSL_ERROR_NONE) return;
    if (step.error == SSL_ERROR_WANT_READ || step.error == SSL_ERROR_WANT_WRITE) {
      int left = MillisecondsLeft(deadline);
      if (left == 0 || !WaitFor(fd_, step.error, left)) Refuse("handshake timed out");
      continue;
    }
    if (step.error == SSL_ERROR_SYSCALL) {
      Refuse(errno != 0 ? "handshake failed: the connection was lost"
                        : "handshake failed: the server closed the connection");
    }
    Refuse("handshake failed: " + LastSslReason());
  }
}

void TlsSession::CheckCertificate(const std::string& host) const {
  std::unique_ptr<X509, void (*)(X509*)> certificate(SSL_get1_peer_certificate(ssl_.get()),
                                                     X509_free);
  if (!certificate) Refuse("the server sent no certificate");
  if (!settings_.fingerprint.empty()) {
    if (CertificateFingerprint(certificate.get()) != NormalizeFingerprint(settings_.fingerprint)) {
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
