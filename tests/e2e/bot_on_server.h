#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "shell/mainunit.h"
#include "support/bot_process.h"
#include "support/irc_test_client.h"
#include "support/ngircd_server.h"
#include "support/recording_port.h"
#include "support/temp_dir.h"

namespace zelmo::testing {

// The bot's main form in this process, driven from the test's thread (its
// user-interface thread), beside a real ngircd and plain IRC clients.
class BotOnServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!NgircdServer::Available()) GTEST_SKIP() << "ngircd is not installed";
    server = std::make_unique<NgircdServer>();
    dir.Write("Config.ini", LoopbackConfig(server->Port(), extra_config));
    form = std::make_unique<TMainForm>(port, dir.Path());
  }
  void TearDown() override {
    form.reset();
    server.reset();
  }

  std::unique_ptr<IrcTestClient> Client(const std::string& nick) {
    return std::make_unique<IrcTestClient>(NgircdServer::Host(), server->Port(), nick);
  }

  // Handles the bot's pending work until the condition holds.
  bool Pump(const std::function<bool()>& done, int timeout_ms = 10000) {
    return port.PumpUntil(done, timeout_ms);
  }
  // Handles the bot's work while waiting for the client to see a line.
  std::optional<std::string> Await(IrcTestClient& client, const std::string& text,
                                   int timeout_ms = 10000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
      port.RunPending();
      auto line = client.WaitFor(text, 20);
      if (line) return line;
    }
    return std::nullopt;
  }
  bool Shows(const std::string& text) const {
    for (const auto& shown : port.Texts()) {
      if (shown == text) return true;
    }
    return false;
  }
  bool AwaitShown(const std::string& text, int timeout_ms = 10000) {
    return Pump([&] { return Shows(text); }, timeout_ms);
  }
  TColor ColourOf(const std::string& text) const {
    for (const auto& line : port.lines) {
      if (line.Text() == text) return line.color;
    }
    return clNone;
  }
  void ConnectBot() {
    form->UserInputEntered("connect");
    ASSERT_TRUE(Pump([&] { return form->IRC.ConnectionState() == stConnected; }));
  }
  void BotJoins(const std::string& channel) {
    form->IRC.Join(channel, "");
    ASSERT_TRUE(Pump([&] { return form->IRC.Channels.Find(channel) != nullptr; }));
  }

  std::string extra_config;
  TempDir dir;
  RecordingPort port;
  std::unique_ptr<NgircdServer> server;
  std::unique_ptr<TMainForm> form;
};

}  // namespace zelmo::testing
