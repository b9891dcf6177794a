#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "irc/transport/tcp_connection.h"
#include "support/loopback_server.h"
#include "support/recording_irc_events.h"

namespace zelmo::testing {

// The text of the error of the given class that fn raises, or a note that
// it raised nothing. An error of another class fails the test.
template <typename Error = Exception, typename Fn>
std::string RaisedText(Fn&& fn) {
  try {
    fn();
  } catch (const Error& error) {
    return error.what();
  }
  return "(nothing raised)";
}

// A client aimed at a loopback server, counting its connection events.
class TransportTest : public ::testing::Test {
 protected:
  TransportTest() {
    client.Host = LoopbackServer::Host();
    client.Port = server.Port();
    client.SetLinkEvents(events);
  }
  ~TransportTest() override { server.Stop(); }

  // Opens the client's link and takes the server's side of it.
  void Connect() {
    client.OpenLink();
    peer = server.Accept();
    ASSERT_NE(peer, nullptr);
  }

  int connected() const { return events.Count("OnConnected"); }
  int disconnected() const { return events.Count("OnDisconnected"); }

  LoopbackServer server;
  RecordingIrcEvents events;
  TIdTCPClient client;
  std::shared_ptr<LoopbackPeer> peer;
};

}  // namespace zelmo::testing
