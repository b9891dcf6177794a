#include "irc/transport/connect_attempt.h"

#include <sys/socket.h>

namespace zelmo {

namespace {

// The name lookup, all addresses and the TLS handshake together; each
// address's connect has its own, shorter bound.
constexpr int kAttemptBoundMs = 60000;

}  // namespace

TIdConnectAttempt::TIdConnectAttempt(ConnectTarget target, Done done)
    : thread_([this, target = std::move(target), done = std::move(done)] { Run(target, done); }) {}

TIdConnectAttempt::~TIdConnectAttempt() {
  Cancel();
  if (thread_.joinable()) thread_.join();
}

void TIdConnectAttempt::Run(const ConnectTarget& target, const Done& done) {
  Outcome outcome;
  try {
    outcome.handler = ConnectSocket(target, kAttemptBoundMs, &cancel_);
    if (outcome.handler->Binding().Family() != AF_INET6 && target.bound_ip.empty()) {
      outcome.local_address = TIdStack::LocalAddress();
    }
  } catch (...) {
    outcome.handler.reset();
    outcome.error = std::current_exception();
  }
  if (!cancel_.Cancelled()) done(std::move(outcome));
}

}  // namespace zelmo
