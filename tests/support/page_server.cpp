#include "support/page_server.h"

namespace zelmo::testing {

using namespace std::chrono_literals;

void PageServer::ServeAndRecord(std::string page) {
  server_.Run([this, page = std::move(page)](LoopbackServer& server) {
    auto peer = server.Accept();
    if (!peer) return;
    accepted = true;
    peer->Send(page);
    if (auto all = peer->ReadUntilClosed()) {
      request = *all;
      client_closed = true;
    }
  });
}

void PageServer::ServeAndClose(std::string page) {
  server_.Run([this, page = std::move(page)](LoopbackServer& server) {
    auto peer = server.Accept();
    if (!peer) return;
    accepted = true;
    request = peer->ReadLine().value_or("(none)");
    peer->Send(page);
    peer->Close();
  });
}

void PageServer::ServeAndHold(std::string page, std::chrono::milliseconds hold) {
  server_.Run([this, page = std::move(page), hold](LoopbackServer& server) {
    auto peer = server.Accept(hold);
    if (!peer) return;
    accepted = true;
    request = peer->ReadLine().value_or("(none)");
    peer->Send(page);
    client_closed = peer->WaitClosed(hold);
  });
}

void PageServer::Trickle() {
  server_.Run([this](LoopbackServer& server) {
    auto peer = server.Accept();
    if (!peer) return;
    accepted = true;
    request = peer->ReadLine().value_or("(none)");
    for (int i = 0; i < 50 && !client_closed; ++i) {
      client_closed = peer->WaitClosed(200ms) || !peer->Send("x");
    }
  });
}

void PageServer::Flood() {
  server_.Run([this](LoopbackServer& server) {
    auto peer = server.Accept();
    if (!peer) return;
    accepted = true;
    request = peer->ReadLine().value_or("(none)");
    std::string batch;
    for (int i = 0; i < 100; ++i) batch += "more<br>\r\n";
    for (int i = 0; i < 1000 && !client_closed; ++i) {
      // A send fails on a client that has gone, or one that stopped
      // reading for the whole wait.
      if (!peer->Send(batch)) {
        client_closed = peer->ClientClosed();
        break;
      }
      client_closed = peer->WaitClosed(10ms);
    }
  });
}

void PageServer::Refuse() {
  server_.Run([this](LoopbackServer& server) {
    auto peer = server.Accept();
    if (!peer) return;
    accepted = true;
    peer->Reset();
  });
}

}  // namespace zelmo::testing
