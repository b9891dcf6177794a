#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "support/loopback_server.h"

namespace zelmo::testing {

// A scripted web server on 127.0.0.1: each connection reads the request's
// head and gets the next answer of the script. Plain, or TLS through a
// channel the test supplies (support/tls/tls_peer_channel.h).
class WebServer {
 public:
  // What one connection gets once its request head is read.
  using Answer = std::function<void(LoopbackPeer&)>;

  WebServer() = default;
  explicit WebServer(ChannelFactory tls) : tls_(true) { server_.SetChannel(std::move(tls)); }

  int Port() const { return server_.Port(); }
  // "http://127.0.0.1:<port><path>", https when the server speaks TLS.
  std::string Url(const std::string& path = "/") const;

  // Serves the answers in order, one connection each, on the server's
  // thread; the bounded waits end the script when a client never comes.
  void Serve(std::vector<Answer> answers);
  void Join() { server_.Join(); }
  // Ends every wait at once (a stalled answer included).
  void Stop() { server_.Stop(); }

  // The request heads received so far, one text per request, lines joined by LF.
  std::vector<std::string> Requests() const;

  // The bytes as given, then the connection is closed.
  static Answer Reply(std::string bytes);
  // "HTTP/1.1 <status>" with a Content-Length and the body.
  static Answer Status(int status, const std::string& body, const std::string& headers = "");
  // The head, then one byte of body every interval until the client closes
  // (at most 100 bytes).
  static Answer Trickle(std::string head, std::chrono::milliseconds interval);
  // Nothing at all until the client closes or the server is stopped.
  static Answer Stall();
  // A status line, then header lines without end until the client closes.
  static Answer EndlessHeaders();

 private:
  LoopbackServer server_;
  bool tls_ = false;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};

}  // namespace zelmo::testing
