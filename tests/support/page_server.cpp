#include "support/page_server.h"

namespace zelmo::testing {

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

void PageServer::ServeAndHold(std::string page, int hold_ms) {
  server_.Run([this, page = std::move(page), hold_ms](LoopbackServer& server) {
    auto peer = server.Accept(hold_ms);
    if (!peer) return;
    accepted = true;
    request = peer->ReadLine().value_or("(none)");
    peer->Send(page);
    client_closed = peer->WaitClosed(hold_ms);
  });
}

void PageServer::Trickle() {
  server_.Run([this](LoopbackServer& server) {
    auto peer = server.Accept();
    if (!peer) return;
    accepted = true;
    request = peer->ReadLine().value_or("(none)");
    for (int i = 0; i < 50 && !client_closed; ++i) {
      client_closed = peer->WaitClosed(200) || !peer->Send("x");
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
      client_closed = !peer->Send(batch) || peer->WaitClosed(10);
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
