#pragma once

#include <chrono>
#include <string>

#include "support/loopback_server.h"
#include "users/bot_context.h"

namespace zelmo::testing {

// A web server for the lookups' fetches, one connection per script. It keeps
// what the client sent and whether the client closed the connection; read
// them after Join().
class PageServer {
 public:
  WebHost Host() const { return {LoopbackServer::Host(), server_.Port()}; }

  // Sends the page at once, then keeps every byte the client sends until it
  // closes: `request` is then the exact request.
  void ServeAndRecord(std::string page);
  // Waits for the request line, sends the page and closes the connection.
  void ServeAndClose(std::string page);
  // Waits for the request line, sends the page and stays silent until the
  // client closes.
  void ServeAndHold(std::string page, std::chrono::milliseconds hold = kLoopbackWait);
  // Waits for the request line, then sends one byte of a never-ending line
  // every 200 ms until the client closes (at most 50 bytes).
  void Trickle();
  // Waits for the request line, then sends short lines that never end the
  // page until the client closes (at most 1000 batches of 100 lines).
  void Flood();
  // Lets the client connect and then closes without reading.
  void Refuse();

  void Join() { server_.Join(); }

  bool accepted = false;
  std::string request;  // without its line end unless recorded whole
  bool client_closed = false;

 private:
  LoopbackServer server_;
};

}  // namespace zelmo::testing
