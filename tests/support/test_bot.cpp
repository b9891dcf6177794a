#include "support/test_bot.h"

#include <gtest/gtest.h>

#include "shell/base/errors.h"

namespace zelmo::testing {

TestBot::TestBot() {
  irc.Host = LoopbackServer::Host();
  irc.Port = server.Port();
  // Unpaced and without keepalive, unlike a configured bot.
  irc.SendInterval = 0;
  irc.PingInterval = 0;
  irc.SetNick("ZelmoBot");
  irc.AltNick = "ZelmoBot-";
  irc.SetUiPoster([this](std::function<void()> task) { port.PostToUiThread(std::move(task)); });
  irc.SetEvents(*this);
  irc.Connect();
  peer = server.Accept();
  if (!peer) throw std::runtime_error("the test server saw no connection");
  // Registration, so the session counts as connected.
  peer->SendLine(":irc.test 001 ZelmoBot :Welcome");
  EXPECT_TRUE(port.PumpUntil([this] { return irc.ConnectionState() == stConnected; }));
  sent.clear();
}

TestBot::~TestBot() {
  irc.Stop();
  server.Stop();
}

void TestBot::LoadConfig() {
  ++config_loads;
  if (!config_error.empty()) throw EConvertError(config_error);
}

TIdIRCUser& TestBot::User(const std::string& nick, const std::string& address) {
  held_.push_back(irc.Users.AddRef(nick, address));
  return *held_.back();
}

void TestBot::ServerSays(const std::string& line) {
  irc.HandleLine(line);
}

std::vector<std::string> TestBot::TakeSent() {
  std::vector<std::string> out;
  out.swap(sent);
  return out;
}

}  // namespace zelmo::testing
