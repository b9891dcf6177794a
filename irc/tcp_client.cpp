#include <algorithm>
#include <chrono>
#include <optional>

#include "irc/id_stack.h"
#include "irc/tcp_connection.h"

namespace zelmo {

namespace {

// One address's connect: a dead address must not hold the next back for
// the kernel's whole timeout.
constexpr int kAttemptBound = 10000;

}  // namespace

void TIdTCPClient::OpenLink(int timeout) {
  if (HasOpenSocket()) throw EIdAlreadyConnected();
  PrepareLink();
  auto handler = ConnectSocket(timeout);
  Attach(handler);
  try {
    FireConnected();
  } catch (...) {
    Detach(handler);
    throw;
  }
}

// A failure leaves no handler behind: the socket is released with it.
std::shared_ptr<TIdIOHandlerSocket> TIdTCPClient::ConnectSocket(int timeout) {
  using Clock = std::chrono::steady_clock;
  const bool bounded = timeout > 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout);
  // What is left of the bound for the next step; never 0, which means none.
  auto left = [&] {
    if (!bounded) return timeout;
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (ms <= 0) throw EIdSocketError(kWsaTimedOut);
    return static_cast<int>(ms);
  };
  std::optional<EIdSocketError> last_error;
  for (const std::string& address : Addresses(left())) {
    const int remaining = left();
    const int attempt = remaining > 0 ? std::min(remaining, kAttemptBound) : kAttemptBound;
    std::shared_ptr<TIdIOHandlerSocket> handler;
    try {
      handler = ConnectTo(address, attempt, left);
    } catch (const EIdSocketError& error) {
      // The next address may answer; only the last failure is reported.
      last_error = error;
      continue;
    }
    // A failed handshake or certificate is the server's answer, not a dead
    // address: the next address would give the same one.
    if (Tls.enabled) handler->StartTls(std::string(TIdStack::Unbracketed(Host)), Tls, left());
    return handler;
  }
  if (!last_error) throw EIdSocketError(kWsaHostNotFound);
  throw *last_error;
}

std::vector<std::string> TIdTCPClient::Addresses(int timeout) const {
  if (!Resolver) return TIdStack::ResolveHostAddresses(Host, timeout, AddressResolver);
  // A single-address name service still takes literals and LOCALHOST as
  // they are.
  return {TIdStack::ResolveHost(Host, timeout, Resolver)};
}

std::shared_ptr<TIdIOHandlerSocket> TIdTCPClient::ConnectTo(const std::string& address,
                                                            int attempt_ms,
                                                            const std::function<int()>& left) {
  auto handler = std::make_shared<TIdIOHandlerSocket>(TIdSocketHandle::FamilyOf(address));
  TIdSocketHandle& socket = handler->Binding();
  if (!BoundIP.empty() || BoundPort != 0) {
    socket.Bind(BoundIP.empty() ? std::string() : TIdStack::ResolveHost(BoundIP, left(), Resolver),
                BoundPort);
  }
  if (!UseNagle) socket.SetNoDelay();
  socket.Connect(address, Port, attempt_ms);
  return handler;
}

}  // namespace zelmo
