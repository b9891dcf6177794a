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
  auto handler = std::make_shared<TIdIOHandlerSocket>();
  TIdSocketHandle& socket = handler->Binding();
  if (!BoundIP.empty() || BoundPort != 0) {
    socket.Bind(BoundIP.empty() ? std::string() : TIdStack::ResolveHost(BoundIP), BoundPort);
  }
  std::string address = TIdStack::ResolveHost(Host);
  if (!UseNagle) socket.SetNoDelay();
  socket.Connect(address, Port, timeout);
  return handler;
}

}  // namespace zelmo
