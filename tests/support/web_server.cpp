#include "support/web_server.h"

namespace zelmo::testing {

namespace {

// Stops an answer that sends without end once this much has gone out.
constexpr int kMaxEndlessLines = 100000;

}  // namespace

std::string WebServer::Url(const std::string& path) const {
  return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(Port()) + path;
}

void WebServer::Serve(std::vector<Answer> answers) {
  server_.Run([this, answers = std::move(answers)](LoopbackServer& server) {
    for (const Answer& answer : answers) {
      auto peer = server.Accept();
      if (!peer) return;
      std::string head;
      while (auto line = peer->ReadLine()) {
        if (line->empty()) break;
        head += *line + "\n";
      }
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(head);
      }
      answer(*peer);
      peer->Close();
    }
  });
}

std::vector<std::string> WebServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

WebServer::Answer WebServer::Reply(std::string bytes) {
  return [bytes = std::move(bytes)](LoopbackPeer& peer) { peer.Send(bytes); };
}

WebServer::Answer WebServer::Status(int status, const std::string& body,
                                    const std::string& headers) {
  return Reply("HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\n" + headers + "\r\n" + body);
}

WebServer::Answer WebServer::Trickle(std::string head, std::chrono::milliseconds interval) {
  return [head = std::move(head), interval](LoopbackPeer& peer) {
    if (!peer.Send(head)) return;
    for (int sent = 0; sent < 100 && !peer.WaitClosed(interval); ++sent) {
      if (!peer.Send("x")) return;
    }
  };
}

WebServer::Answer WebServer::Stall() {
  return [](LoopbackPeer& peer) { peer.WaitClosed(); };
}

WebServer::Answer WebServer::EndlessHeaders() {
  return [](LoopbackPeer& peer) {
    if (!peer.Send("HTTP/1.1 200 OK\r\n")) return;
    for (int line = 0; line < kMaxEndlessLines; ++line) {
      if (!peer.Send("X-Filler: " + std::to_string(line) + "\r\n")) return;
    }
  };
}

}  // namespace zelmo::testing
