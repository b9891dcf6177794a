#include <chrono>

#include "irc/id_stack.h"
#include "irc/tcp_connection.h"

namespace zelmo {

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
  auto handler = std::make_shared<TIdIOHandlerSocket>();
  TIdSocketHandle& socket = handler->Binding();
  if (!BoundIP.empty() || BoundPort != 0) {
    socket.Bind(BoundIP.empty() ? std::string() : TIdStack::ResolveHost(BoundIP, left(), Resolver),
                BoundPort);
  }
  std::string address = TIdStack::ResolveHost(Host, left(), Resolver);
  if (!UseNagle) socket.SetNoDelay();
  socket.Connect(address, Port, left());
  if (Tls.enabled) handler->StartTls(Host, Tls, left());
  return handler;
}

}  // namespace zelmo
