#include "support/scripted_irc.h"

#include <algorithm>

namespace zelmo::testing {

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds Left(Clock::time_point deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return std::max(left, std::chrono::milliseconds(0));
}

}  // namespace

std::optional<std::string> RegisterIrcClient(LoopbackPeer& peer, const std::string& server_name,
                                             std::chrono::milliseconds wait) {
  const auto deadline = Clock::now() + wait;
  std::string nick;
  bool user = false;
  while (nick.empty() || !user) {
    auto line = peer.ReadLine(Left(deadline));
    if (!line) return std::nullopt;
    if (line->starts_with("NICK ")) nick = line->substr(line->starts_with("NICK :") ? 6 : 5);
    if (line->starts_with("USER ")) user = true;
  }
  if (!peer.SendLine(
          ":" + server_name + " 001 " + nick + " :Welcome to " + server_name + " " + nick, wait)) {
    return std::nullopt;
  }
  return nick;
}

std::optional<std::vector<std::string>> SyncByPing(LoopbackPeer& peer, const std::string& token,
                                                   std::chrono::milliseconds wait) {
  const auto deadline = Clock::now() + wait;
  if (!peer.SendLine("PING :" + token, wait)) return std::nullopt;
  std::vector<std::string> before;
  const std::string pong = "PONG :" + token;
  for (;;) {
    auto line = peer.ReadLine(Left(deadline));
    if (!line) return std::nullopt;
    if (*line == pong) return before;
    before.push_back(std::move(*line));
  }
}

}  // namespace zelmo::testing
