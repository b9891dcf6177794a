#include "irc/transport/tls/tls_context.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <system_error>

#include "irc/transport/tls/tls_refused.h"

namespace zelmo {

std::string LastSslReason() {
  unsigned long code = ERR_peek_last_error();
  ERR_clear_error();
  const char* reason = code != 0 ? ERR_reason_error_string(code) : nullptr;
  return reason != nullptr ? reason : "unknown error";
}

namespace {

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

// OpenSSL says "system lib" for a file it cannot open; the operator needs
// the system's own words.
void CheckReadable(const std::string& path, const std::string& what) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    Refuse("cannot read " + what + " " + path + ": " +
           std::error_code(errno, std::generic_category()).message());
  }
  std::fclose(file);
}

void UseClientCertificate(SSL_CTX* context, const std::string& path) {
  const std::string what = "the client certificate";
  CheckReadable(path, what);
  const std::string refused = "cannot read " + what + " " + path + ": ";
  if (SSL_CTX_use_certificate_chain_file(context, path.c_str()) != 1) {
    ERR_clear_error();
    Refuse(refused + "no certificate in it");
  }
  if (SSL_CTX_use_PrivateKey_file(context, path.c_str(), SSL_FILETYPE_PEM) != 1) {
    ERR_clear_error();
    Refuse(refused + "no private key in it");
  }
  if (SSL_CTX_check_private_key(context) != 1) {
    ERR_clear_error();
    Refuse(refused + "its key does not belong to its certificate");
  }
}

}  // namespace

ssl_ctx_st* MakeClientContext(const TlsSettings& settings) {
  SSL_CTX* context = SSL_CTX_new(TLS_client_method());
  if (context == nullptr) Refuse("cannot start: " + LastSslReason());
  std::unique_ptr<SSL_CTX, void (*)(SSL_CTX*)> owned(context, SSL_CTX_free);
  SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
  // Whole records in few reads; a server that closes without close_notify
  // ends the stream like one that sends it, as IRC servers often do. A
  // renegotiation the server starts could be used to stall or confuse the
  // link and serves an IRC client nothing.
  SSL_CTX_set_read_ahead(context, 1);
  SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF | SSL_OP_NO_RENEGOTIATION);
  // An idle link holds no record buffers.
  SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER |
                                SSL_MODE_RELEASE_BUFFERS);
  // The result is checked after the handshake, so a pin can overrule it.
  SSL_CTX_set_verify(context, SSL_VERIFY_NONE, nullptr);
  if (settings.verify && settings.fingerprint.empty()) {
    TrustSystemStore(context);
    if (!settings.ca_file.empty()) {
      CheckReadable(settings.ca_file, "the CA file");
      if (SSL_CTX_load_verify_locations(context, settings.ca_file.c_str(), nullptr) != 1) {
        Refuse("cannot read the CA file " + settings.ca_file + ": " + LastSslReason());
      }
    }
  }
  if (!settings.cert_file.empty()) UseClientCertificate(context, settings.cert_file);
  return owned.release();
}

}  // namespace zelmo
