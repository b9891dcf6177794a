#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "channel/ban_commands.h"
#include "channel/ban_list.h"
#include "channel/channel_settings.h"
#include "channel/tv_listing_cache.h"
#include "irc/session/irc_client.h"
#include "irc/session/irc_events.h"
#include "shell/base/display.h"
#include "shell/base/ini_file.h"
#include "support/loopback_server.h"
#include "support/recording_port.h"
#include "support/temp_dir.h"
#include "users/bot_context.h"
#include "users/login_throttle.h"

namespace zelmo::testing {

// A bot for command tests: a real IRC client connected to a loopback server,
// a recording UI port, and a user file in a fresh folder. Every line the
// client sends is recorded in `sent` (registration lines excluded); lines
// from the server are handled when the test pumps the port. Like the main
// form, it listens to its client.
class TestBot : public BotContext, public IrcEvents {
 public:
  TestBot();
  ~TestBot() override;

  void OnSend(const std::string& line) override { sent.push_back(line); }

  TIdIRC& Irc() override { return irc; }
  TMessageDisplay& Display() override { return display; }
  std::string UsersFilePath() const override { return dir.Path() + users_file; }
  IniFileCache* UserFileCache() override { return &cache; }
  std::optional<std::string> CurrentSecurityPassword() const override { return security_password; }
  void LoadConfig() override;
  LoginThrottle& FailedLogins() override { return failed_logins; }
  bool StoresHashedPasswords() const override { return hash_passwords; }
  bool LogsInByAccount() const override { return account_login; }
  bool AwaitAccount(const TIdIRCUser& user, const std::string& name) override {
    if (awaits_account) awaited.push_back(user.Nick() + " " + name);
    return awaits_account;
  }
  TIdTCPClient& PageClient() override { return page; }
  DictionarySource Dictionary() const override { return dictionary; }
  TvListingSource TvListing() const override { return tv_listing; }
  TvListingCache* TvCache() override { return &tv_cache; }
  PageLimits PageTimeLimits() const override { return page_limits; }
  int ReplyLines() const override { return reply_lines; }
  BanList* Bans() override { return &ban_list; }
  const ChannelSettings* ProtectionOf(const std::string&) const override { return &protection; }
  void BansChanged() override { ++bans_changed; }
  bool RunChannelPrivate(const std::vector<std::string>& parts, const TIdIRCUser& user) override {
    return DispatchBanPrivate(*this, parts, user);
  }
  std::int64_t UnixNow() const override { return unix_now; }
  // Notes the pause, and how many lines had gone out by then.
  void Pause(int milliseconds) override {
    pauses.push_back(milliseconds);
    sent_at_pause.push_back(sent.size());
  }

  // A user record as the client would hold it for a line from nick!address.
  TIdIRCUser& User(const std::string& nick, const std::string& address);
  // The same for nick!nick@host.
  TIdIRCUser& User(const std::string& nick) { return User(nick, nick + "@host"); }

  // The user file, written and read whole.
  void WriteUsers(const std::string& content) const { dir.Write(users_file, content); }
  std::string ReadUsers() const { return dir.Read(users_file); }

  // The server side: sends a line to the bot and handles it on this thread.
  void ServerSays(const std::string& line);
  // The display texts without their time stamps.
  std::vector<std::string> Shown() const { return port.Texts(); }
  // What went out since the last call, and forgets it.
  std::vector<std::string> TakeSent();

  TempDir dir;
  RecordingPort port;
  TMessageDisplay display{port};
  LoopbackServer server;
  std::shared_ptr<LoopbackPeer> peer;
  TIdIRC irc;
  TIdTCPClient page;
  IniFileCache cache;
  std::string users_file = "Users.ini";
  // None: Config.ini sets no security password.
  std::optional<std::string> security_password;
  DictionarySource dictionary = WebHost{"127.0.0.1", 1};
  TvListingSource tv_listing = WebHost{"127.0.0.1", 1};
  TvListingCache tv_cache;
  bool hash_passwords = false;
  bool account_login = false;
  // Whether a login waits for the sender's account, and those that did.
  bool awaits_account = false;
  std::vector<std::string> awaited;
  // The time the login throttle sees; tests move it on by hand.
  LoginThrottle::TimePoint now{};
  LoginThrottle failed_logins{[this] { return now; }};
  // Short bounds, so tests of silent web servers end quickly.
  PageLimits page_limits{2000, 1000, 3000};
  int reply_lines = kDefaultReplyLines;
  std::vector<std::string> sent;
  std::vector<int> pauses;
  std::vector<std::size_t> sent_at_pause;
  int config_loads = 0;
  BanList ban_list{dir.File("Bans.ini")};
  ChannelSettings protection;
  int bans_changed = 0;
  std::int64_t unix_now = 1'700'000'000;
  // When set, LoadConfig raises this text as the configuration load would.
  std::string config_error;

 private:
  std::vector<std::shared_ptr<TIdIRCUser>> held_;
};

}  // namespace zelmo::testing
