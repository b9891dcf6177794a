#include "irc/transport/socket_connect.h"
#include "irc/transport/tcp_connection.h"

namespace zelmo {

ConnectTarget TIdTCPClient::Target() const {
  return {Host, Port, BoundIP, BoundPort, UseNagle, Tls, Resolver, AddressResolver};
}

void TIdTCPClient::OpenLink(int timeout) {
  if (HasOpenSocket()) throw EIdAlreadyConnected();
  OpenOn(ConnectSocket(Target(), timeout));
}

void TIdTCPClient::OpenOn(std::shared_ptr<TIdIOHandlerSocket> handler) {
  PrepareLink();
  Attach(handler);
  try {
    FireConnected();
  } catch (...) {
    Detach(handler);
    throw;
  }
}

}  // namespace zelmo
