#pragma once

#include <memory>
#include <string>

#include "support/loopback_server.h"

namespace zelmo::bench {

// The server's end of TLS for the benchmark's IRC server: a certificate
// and key (PEM files) it shows to every client it accepts.
class TlsServerEnd {
 public:
  TlsServerEnd(const std::string& cert_file, const std::string& key_file);
  ~TlsServerEnd();
  TlsServerEnd(const TlsServerEnd&) = delete;
  TlsServerEnd& operator=(const TlsServerEnd&) = delete;

  // Runs the handshake on an accepted socket (bounded); nothing when it
  // fails.
  std::unique_ptr<testing::PeerChannel> Accept(int fd) const;

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};

// The floor client's end: a blocking TLS client over a connected socket,
// taking any certificate (the floor measures the link, not the checks).
class TlsClientEnd {
 public:
  explicit TlsClientEnd(int fd);
  ~TlsClientEnd();
  TlsClientEnd(const TlsClientEnd&) = delete;
  TlsClientEnd& operator=(const TlsClientEnd&) = delete;

  bool Ready() const;
  // As recv() and send() on a blocking socket.
  long Receive(char* into, std::size_t size);
  long Send(const char* bytes, std::size_t size);

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};

}  // namespace zelmo::bench
