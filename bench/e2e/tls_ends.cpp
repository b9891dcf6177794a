#include "tls_ends.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>

#include <stdexcept>

namespace zelmo::bench {

namespace {

// A client that does not finish its handshake in this time is dropped.
constexpr int kHandshakeMs = 10000;

using SslContext = std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)>;
using Ssl = std::unique_ptr<SSL, decltype(&SSL_free)>;

// Non-blocking TLS over a socket the server accepted.
class TlsPeerChannel : public testing::PeerChannel {
 public:
  explicit TlsPeerChannel(Ssl ssl) : ssl_(std::move(ssl)) {}

  long Receive(char* into, std::size_t size) override {
    ERR_clear_error();
    int got = SSL_read(ssl_.get(), into, static_cast<int>(size));
    return got > 0 ? got : Stalled(got);
  }
  long Send(std::string_view bytes) override {
    ERR_clear_error();
    int sent = SSL_write(ssl_.get(), bytes.data(), static_cast<int>(bytes.size()));
    return sent > 0 ? sent : Stalled(sent);
  }
  bool Buffered() const override { return SSL_has_pending(ssl_.get()) == 1; }

 private:
  long Stalled(int result) {
    int error = SSL_get_error(ssl_.get(), result);
    return error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE ? 0 : -1;
  }

  Ssl ssl_;
};

}  // namespace

struct TlsServerEnd::Context {
  SslContext ssl{SSL_CTX_new(TLS_server_method()), SSL_CTX_free};
};

TlsServerEnd::TlsServerEnd(const std::string& cert_file, const std::string& key_file)
    : context_(std::make_unique<Context>()) {
  SSL_CTX* ssl = context_->ssl.get();
  if (ssl == nullptr || SSL_CTX_use_certificate_chain_file(ssl, cert_file.c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(ssl, key_file.c_str(), SSL_FILETYPE_PEM) != 1) {
    throw std::runtime_error("cannot set up the TLS server with " + cert_file);
  }
  // Like the bot's end: writes of any size, from a buffer that may move.
  SSL_CTX_set_mode(ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
}

TlsServerEnd::~TlsServerEnd() = default;

std::unique_ptr<testing::PeerChannel> TlsServerEnd::Accept(int fd) const {
  Ssl ssl(SSL_new(context_->ssl.get()), SSL_free);
  if (!ssl || SSL_set_fd(ssl.get(), fd) != 1) return nullptr;
  for (int waited = 0; waited < kHandshakeMs;) {
    int result = SSL_accept(ssl.get());
    if (result == 1) return std::make_unique<TlsPeerChannel>(std::move(ssl));
    int error = SSL_get_error(ssl.get(), result);
    if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) return nullptr;
    pollfd entry{fd, static_cast<short>(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT), 0};
    if (::poll(&entry, 1, 100) == 0) waited += 100;
  }
  return nullptr;
}

struct TlsClientEnd::Context {
  SslContext context{SSL_CTX_new(TLS_client_method()), SSL_CTX_free};
  Ssl ssl{nullptr, SSL_free};
  bool ready = false;
};

TlsClientEnd::TlsClientEnd(int fd) : context_(std::make_unique<Context>()) {
  if (!context_->context) return;
  context_->ssl.reset(SSL_new(context_->context.get()));
  context_->ready = context_->ssl && SSL_set_fd(context_->ssl.get(), fd) == 1 &&
                    SSL_connect(context_->ssl.get()) == 1;
}

TlsClientEnd::~TlsClientEnd() = default;

bool TlsClientEnd::Ready() const {
  return context_->ready;
}

long TlsClientEnd::Receive(char* into, std::size_t size) {
  int got = SSL_read(context_->ssl.get(), into, static_cast<int>(size));
  return got > 0 ? got
                 : (SSL_get_error(context_->ssl.get(), got) == SSL_ERROR_ZERO_RETURN ? 0 : -1);
}

long TlsClientEnd::Send(const char* bytes, std::size_t size) {
  int sent = SSL_write(context_->ssl.get(), bytes, static_cast<int>(size));
  return sent > 0 ? sent : -1;
}

}  // namespace zelmo::bench
