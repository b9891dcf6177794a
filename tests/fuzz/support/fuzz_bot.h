#pragma once

#include <functional>
#include <memory>
#include <string>

#include "irc/session/irc_client.h"
#include "irc/session/irc_events.h"
#include "shell/base/display.h"
#include "shell/base/ini_file.h"
#include "shell/base/ui_port.h"
#include "support/loopback_peers.h"
#include "users/bot_context.h"
#include "users/login_throttle.h"

namespace zelmo::fuzz {

// A window toolkit that shows nothing: display lines are counted, questions
// answered with OK, and posted functions run at once on the caller.
class SilentPort : public UiPort {
 public:
  void AppendDisplayLine(const std::string&, TColor) override { ++lines; }
  void ClearDisplay() override {}
  void SetDisplayBackground(TColor) override {}
  void SetDisplayFont(const std::string&) override {}
  void SetDisplayMaxLines(int) override {}
  void SetCaption(const std::string&) override {}
  bool Question(const std::string&, const std::string&) override { return true; }
  void ErrorBox(const std::string&, const std::string&) override {}
  void Balloon(const std::string&, const std::string&, BalloonIcon, int) override {}
  std::unique_ptr<UiTimer> CreateTimer(std::function<void()>) override;
  void PostToUiThread(std::function<void()> task) override { task(); }
  void RequestClose() override {}
  bool OnUiThread() const override { return true; }

  std::size_t lines = 0;
};

// The bot as the command handlers see it: an IRC client registered on a
// loopback server that drops what it is sent, a user file in a folder of
// its own, and web hosts that refuse connections, so lookups fail at once.
class FuzzBot : public BotContext, public IrcEvents {
 public:
  FuzzBot();
  ~FuzzBot() override;
  FuzzBot(const FuzzBot&) = delete;
  FuzzBot& operator=(const FuzzBot&) = delete;

  // Nothing the bot sends may split into two lines on the wire.
  void OnSend(const std::string& line) override;

  TIdIRC& Irc() override { return irc; }
  TMessageDisplay& Display() override { return display; }
  std::string UsersFilePath() const override { return folder + "/Users.ini"; }
  IniFileCache* UserFileCache() override { return &cache; }
  std::optional<std::string> CurrentSecurityPassword() const override { return "fuzzpw"; }
  void LoadConfig() override {}
  LoginThrottle& FailedLogins() override { return failed_logins; }
  bool StoresHashedPasswords() const override { return false; }
  TIdTCPClient& PageClient() override { return page; }
  DictionarySource Dictionary() const override { return WebHost{"127.0.0.1", 1}; }
  TvListingSource TvListing() const override { return WebHost{"127.0.0.1", 1}; }
  PageLimits PageTimeLimits() const override { return {1000, 1000, 2000}; }
  void Pause(int) override {}

  std::string folder;
  SilentPort port;
  TMessageDisplay display{port};
  DrainServer server;
  TIdIRC irc;
  TIdTCPClient page;
  IniFileCache cache;
  LoginThrottle failed_logins;
};

}  // namespace zelmo::fuzz
