#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "irc/transport/id_stack.h"
#include "irc/transport/socket_handle.h"
#include "irc/transport/tls_settings.h"

namespace zelmo {

// Where and how to connect. A client copies its settings into one when an
// attempt starts, so an attempt on another thread never reads settings that
// the user-interface thread may change meanwhile.
struct ConnectTarget {
  std::string host;
  int port = 0;
  std::string bound_ip;
  int bound_port = 0;
  bool use_nagle = true;
  TlsSettings tls;
  // The name services; empty: the system's (see TIdTCPClient).
  NameLookup resolver;
  AddressLookup address_resolver;
};

// Lets another thread end a connect under way: the socket being connected
// or secured is closed, which ends its wait at once, and a name lookup is
// no longer waited for.
class ConnectCancel {
 public:
  void Cancel();
  bool Cancelled() const;
  // The socket of the step under way, closed by a cancel (at once when the
  // cancel came first).
  void Watch(std::shared_ptr<TIdIOHandlerSocket> handler);
  // The step's socket is the caller's now: a later cancel leaves it open.
  void Release();

 private:
  mutable std::mutex mutex_;
  bool cancelled_ = false;
  std::shared_ptr<TIdIOHandlerSocket> watched_;
};

// Looks the host up and connects to its addresses in order until one
// connects (and, with TLS, is secured); raises the transport's error of
// the last address tried. A positive timeout_ms bounds the whole; each
// address gets at most 10 s. A refusal of TLS that would come back the
// same from every address (a certificate, a setting) ends the tries.
std::shared_ptr<TIdIOHandlerSocket> ConnectSocket(const ConnectTarget& target, int timeout_ms,
                                                  ConnectCancel* cancel = nullptr);

}  // namespace zelmo
