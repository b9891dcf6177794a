#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/loopback_server.h"

namespace zelmo::testing {

// The server's side of the exchanges every scripted IRC server plays with
// its client over a loopback peer. A real client may take its time under a
// sanitizer, so the default bound is longer than the peer's own.
inline constexpr std::chrono::milliseconds kIrcWait{10000};

// Reads the client's NICK and USER lines and welcomes it (numeric 001 from
// the server's name) under that nick; returns the nick.
std::optional<std::string> RegisterIrcClient(LoopbackPeer& peer, const std::string& server_name,
                                             std::chrono::milliseconds wait = kIrcWait);

// Sends "PING :token" and reads up to the client's "PONG :token"; returns
// the lines the client sent before the PONG. A client handles the server's
// lines in order, so these are its answers to everything sent before the
// PING.
std::optional<std::vector<std::string>> SyncByPing(LoopbackPeer& peer, const std::string& token,
                                                   std::chrono::milliseconds wait = kIrcWait);

}  // namespace zelmo::testing
