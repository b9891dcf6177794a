#pragma once

#include <span>
#include <string>
#include <string_view>

#include "irc/transport/socket_handle.h"
#include "irc/transport/tls_settings.h"

namespace zelmo {

// Why a link could not be secured, in plain words ("TLS: ..."). A permanent
// refusal (a certificate, a pin, a setting) comes back the same on every
// attempt; any other (a handshake cut short or timed out) may pass.
struct TlsRefusal {
  std::string reason;
  bool permanent = true;
};

// TLS over one connected, non-blocking socket. The links come from the TLS
// module, which alone links OpenSSL and is loaded only when a link is to be
// secured: a bot without TLS maps none of OpenSSL's libraries.
//
// Results carry errno values, not the socket error table's codes: the
// module knows nothing of the transport above it.
class TlsLink {
 public:
  virtual ~TlsLink() = default;
  // True once a receive has something to hand out; false when timeout_ms
  // (0: no limit) ran out first.
  virtual bool WaitReadable(int timeout_ms) const = 0;
  // 0 bytes without an error: the server ended the stream.
  virtual IoResult Receive(std::span<char> into) = 0;
  // Fails with EWOULDBLOCK when no byte goes for timeout_ms (0: no limit).
  virtual IoResult Send(std::string_view bytes, int timeout_ms) = 0;
  // The server certificate's subject and the protocol agreed, as the
  // operator is told them ("CN=irc.example.net", "TLSv1.3").
  virtual std::string PeerSubject() const = 0;
  virtual std::string Protocol() const = 0;
};

// The module's entry. Runs the handshake with the server the host names (a
// name, checked and sent as SNI, or an IP address, checked as one) and
// checks its certificate as the settings ask, within timeout_ms (0 or less:
// a bound of the module's own). Gives the link, or nothing with the
// refusal filled in.
extern "C" {
using ZelmoTlsConnect = TlsLink*(int fd, const std::string& host, const TlsSettings& settings,
                                 int timeout_ms, TlsRefusal& refusal);
}

inline constexpr const char* kTlsConnectSymbol = "zelmobot_tls_connect";
inline constexpr const char* kTlsModuleFile = "libzelmobot_tls.so";

// Loads the TLS module from the program's folder (or, for an installed
// program, from ../lib/zelmobot/ beside it) and gives its entry; raises
// EIdTLSError "TLS: the TLS module cannot be loaded: ..." when it cannot.
ZelmoTlsConnect* LoadTlsModule();

}  // namespace zelmo
