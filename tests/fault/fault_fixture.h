#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/bot_process.h"
#include "support/loopback_server.h"
#include "support/scripted_irc.h"
#include "support/temp_dir.h"

namespace zelmo::testing {

// The name the scripted server gives itself in its lines.
inline const std::string kFaultServer = "irc.fault.test";

// The real program, headless, beside a scripted IRC server: a test starts
// it, has it connect, and then plays the server's part line by line.
class FaultTest : public ::testing::Test {
 protected:
  // A receive buffer above 0 keeps the server's small, so that the bot's
  // writes stall soon once the server stops reading.
  explicit FaultTest(int receive_buffer = 0) : server(receive_buffer) {}

  // Writes Config.ini (pointing at the scripted server, plus the extra
  // lines) and starts the bot; it shows its opening lines.
  void StartBot(const std::string& extra_config = "",
                const std::vector<std::string>& environment = {}, bool keep_output = true);
  // The console CONNECT, the server's accept and the registration.
  void ConnectBot();
  // The server's side of the bot's registration on the link: the bot's nick.
  std::optional<std::string> Register() { return RegisterIrcClient(*link, kFaultServer); }
  // A PING with a new token on the link: what the bot sent before its PONG.
  std::optional<std::vector<std::string>> Sync(std::chrono::milliseconds wait = kIrcWait) {
    return SyncByPing(*link, Token(), wait);
  }
  // The server makes the bot join the channel (its own JOIN echo).
  void JoinBot(const std::string& channel);
  // A line from a user: ":<nick>!<address> <rest>".
  bool From(const std::string& nick, const std::string& address, const std::string& rest);
  // A private message to the bot from a user.
  bool Tell(const std::string& nick, const std::string& address, const std::string& text);
  // What the bot sent in answer to everything before; fails the test when
  // the bot does not answer the PING.
  std::vector<std::string> Answers();
  // The bot is alive and uses next to no CPU while nothing happens.
  void ExpectIdle();

  // A sync token that is new on every call.
  std::string Token();

  TempDir dir;
  LoopbackServer server;
  std::unique_ptr<BotProcess> bot;
  std::shared_ptr<LoopbackPeer> link;
  std::string nick;

 private:
  int tokens_ = 0;
};

// The environment that loads the slow-link library (fault/preload) into the
// bot, with its settings ("NAME=milliseconds"). AddressSanitizer wants its
// own runtime loaded first: tests that need the library skip under it.
std::vector<std::string> SlowLink(const std::vector<std::string>& settings);

// Floods the link with PINGs of long tokens while the server reads nothing,
// until the bot's PONGs must have filled every buffer on their way (the bot
// goes on reading while its writes wait), or until the bot takes no more.
// False when the link failed or that took too long.
bool StallTheBotsWrites(LoopbackPeer& link);

// The bot's lines that are replies to the nick or channel, in order.
std::vector<std::string> PrivmsgsTo(const std::vector<std::string>& lines,
                                    const std::string& target);

}  // namespace zelmo::testing
