#include <exception>
#include <type_traits>

#include "irc/transport/tls/tls_session.h"

// The one symbol the module shows; nothing thrown here crosses into the
// program, which has its own error types.
extern "C" __attribute__((visibility("default"))) zelmo::TlsLink* zelmobot_tls_connect(
    int fd, const std::string& host, const zelmo::TlsSettings& settings, int timeout_ms,
    zelmo::TlsRefusal& refusal) {
  static_assert(std::is_same_v<decltype(zelmobot_tls_connect), zelmo::ZelmoTlsConnect>);
  try {
    return new zelmo::TlsSession(fd, host, settings, timeout_ms);
  } catch (const zelmo::TlsRefused& refused) {
    refusal = {refused.what(), refused.Permanent()};
  } catch (const std::exception& error) {
    refusal = {std::string("TLS: cannot start: ") + error.what(), true};
  }
  return nullptr;
}
