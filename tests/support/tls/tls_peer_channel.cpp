#include "support/tls/tls_peer_channel.h"

#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

namespace zelmo::testing {

namespace {

using SslContext = std::shared_ptr<SSL_CTX>;

class TlsPeerChannel : public PeerChannel {
 public:
  TlsPeerChannel(SslContext context, SSL* ssl, int fd, TlsRecords records)
      : context_(std::move(context)), ssl_(ssl), fd_(fd), records_(records) {
    // From here on the records are written to memory and sent from there,
    // whole or cut short.
    if (records_ == TlsRecords::HoldLastByte) SSL_set0_wbio(ssl_, BIO_new(BIO_s_mem()));
  }
  // A close_notify first, so a body that runs to the close ends cleanly.
  ~TlsPeerChannel() override {
    SSL_shutdown(ssl_);
    SSL_free(ssl_);
  }
  TlsPeerChannel(const TlsPeerChannel&) = delete;
  TlsPeerChannel& operator=(const TlsPeerChannel&) = delete;

  long Receive(char* into, std::size_t size) override {
    const int got = SSL_read(ssl_, into, static_cast<int>(size));
    if (got > 0) return got;
    return Retry(got) ? 0 : -1;
  }
  long Send(std::string_view bytes) override {
    const int sent = SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size()));
    if (sent <= 0) return Retry(sent) ? 0 : -1;
    if (records_ == TlsRecords::HoldLastByte && !SendAllButTheLastByte()) return -1;
    return sent;
  }
  bool Buffered() const override { return SSL_pending(ssl_) > 0; }

 private:
  bool Retry(int result) const {
    const int error = SSL_get_error(ssl_, result);
    ERR_clear_error();
    return error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE;
  }

  bool SendAllButTheLastByte() {
    char* data = nullptr;
    const long size = BIO_get_mem_data(SSL_get_wbio(ssl_), &data);
    const std::string records(data, static_cast<std::size_t>(size > 0 ? size - 1 : 0));
    (void)BIO_reset(SSL_get_wbio(ssl_));
    return ::send(fd_, records.data(), records.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(records.size());
  }

  SslContext context_;
  SSL* ssl_;
  int fd_;
  TlsRecords records_;
};

// The handshake on the non-blocking socket, within five seconds.
bool Handshake(SSL* ssl, int fd) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (;;) {
    const int result = SSL_accept(ssl);
    if (result == 1) return true;
    const int error = SSL_get_error(ssl, result);
    if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd wait{fd, static_cast<short>(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT), 0};
    ::poll(&wait, 1, static_cast<int>(left.count()));
  }
}

}  // namespace

ChannelFactory TlsPeerChannels(const std::string& cert_file, const std::string& key_file,
                               TlsRecords records) {
  SslContext context(SSL_CTX_new(TLS_server_method()), SSL_CTX_free);
  if (!context || SSL_CTX_use_certificate_chain_file(context.get(), cert_file.c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(context.get(), key_file.c_str(), SSL_FILETYPE_PEM) != 1) {
    throw std::runtime_error("cannot set up the test's TLS server");
  }
  SSL_CTX_set_mode(context.get(),
                   SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  return [context, records](int fd) -> std::unique_ptr<PeerChannel> {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    SSL* ssl = SSL_new(context.get());
    SSL_set_fd(ssl, fd);
    if (!Handshake(ssl, fd)) {
      SSL_free(ssl);
      return nullptr;
    }
    return std::make_unique<TlsPeerChannel>(context, ssl, fd, records);
  };
}

}  // namespace zelmo::testing
