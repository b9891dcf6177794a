#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "irc/transport/socket_connect.h"

namespace zelmo {

// One connect of the IRC client on a thread of its own: a slow name
// service, a server that does not accept or one that stalls the TLS
// handshake never holds up the user-interface thread, and the operator can
// cancel the attempt at any time.
class TIdConnectAttempt {
 public:
  struct Outcome {
    std::shared_ptr<TIdIOHandlerSocket> handler;  // none when it failed
    std::exception_ptr error;
    // The host's own IPv4 address, which the registration names; looked
    // up here, since the name service may be slow.
    std::string local_address;
  };
  using Done = std::function<void(Outcome)>;

  // Starts at once. `done` runs on the attempt's thread as its last step,
  // unless the attempt was cancelled.
  TIdConnectAttempt(ConnectTarget target, Done done);
  // Cancels and waits for the thread, which then ends within moments.
  ~TIdConnectAttempt();
  TIdConnectAttempt(const TIdConnectAttempt&) = delete;
  TIdConnectAttempt& operator=(const TIdConnectAttempt&) = delete;

  void Cancel() { cancel_.Cancel(); }

 private:
  void Run(const ConnectTarget& target, const Done& done);

  ConnectCancel cancel_;
  std::thread thread_;
};

}  // namespace zelmo
