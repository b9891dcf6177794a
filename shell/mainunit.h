#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "channel/ban_commands.h"
#include "channel/channel_guard.h"
#include "channel/channel_settings.h"
#include "irc/session/irc_client.h"
#include "irc/session/irc_events.h"
#include "irc/transport/tcp_connection.h"
#include "shell/ban_keeper.h"
#include "shell/base/convert.h"
#include "shell/base/display.h"
#include "shell/base/form_host.h"
#include "shell/base/ini_file.h"
#include "shell/base/ui_port.h"
#include "shell/channel_locks.h"
#include "shell/channel_log.h"
#include "shell/channel_rejoin.h"
#include "shell/form_callbacks.h"
#include "shell/form_scripts.h"
#include "shell/lookup_settings.h"
#include "shell/nick_regain.h"
#include "shell/reconnection.h"
#include "shell/service_health.h"
#include "shell/usermsg.h"
#include "users/bot_context.h"
#include "users/login_throttle.h"

namespace zelmo {

// What only some of the events told to the scripts have.
struct ScriptEventDetails {
  std::string_view text = {};
  std::string_view target = {};
  std::string_view modes = {};
};

// The main window's logic: owns the bot's parts and state for the whole run
// and handles every event on the user-interface thread.
class TMainForm : public FormHost,
                  public BotContext,
                  public IrcEvents,
                  public FormCallbacks,
                  public ConsoleActions {
 public:
  // Runs the start-up steps: caption, configuration, opening lines (the last
  // names the data folder), and a connection when [Me] AutoConnect asks.
  TMainForm(UiPort& port, std::string program_folder,
            LookupEnvironment environment = LookupEnvironment::FromEnvironment());
  ~TMainForm() override;
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  // --- Front end ----------------------------------------------------------
  void UserInputEntered(const std::string& line) override;  // UserInputKeyDown
  bool FormCloseQuery() override;                           // FormClose
  void Shutdown() override;
  void ReloadBySignal() override;
  // Nothing is written to files of its own yet.
  void ReopenLogs() override { logs_.Reopen(); }

  // --- Configuration ------------------------------------------------------
  // Reads Config.ini and applies every value in order. Names the keys and
  // sections it does not know, and raises EConfigError on a value it cannot
  // use (a bad colour, a port out of range...), leaving the values read
  // before it in force, after a line that names the key and the warnings
  // about the files.
  void LoadConfig() override;
  // Writes the bot's current nick to [Me] Nick of Config.ini.
  void WriteNickBack();
  std::string ConfigPath() const { return ProgramFolder + "Config.ini"; }

  // --- Connection lifecycle ------------------------------------------------
  void ConnectToServer() override { reconnect_.ConnectToServer(); }
  void DisconnectFromServer(const std::optional<std::string>& quit_text) override {
    reconnect_.DisconnectFromServer(quit_text.value_or(QuitMessage));
  }
  void IRCConnected();
  // A connect that was started did not open a link.
  void IRCConnectFailed(const ConnectFailure& failure) { reconnect_.ConnectFailed(failure); }
  // The server's welcome: registration is complete.
  void IRCRegistered();
  // The loss of a link, told on the user-interface thread with the number of
  // the connection that was lost (counted by IRCConnected).
  void IRCDisconnected(unsigned connection);
  void TimerTimer() { rejoin_.TimerTimer(); }
  void Rejoin() { rejoin_.Rejoin(); }

  // --- The rest of the console's commands -----------------------------------
  void RequestExit() override { Port.RequestClose(); }
  void ClearDisplay() override;
  void Comment(const std::string& text) override;

  // --- The IRC client's events ---------------------------------------------
  // Each goes to its handler below. The transport tells of a lost link on
  // whichever thread noticed it: that one is handed over to the
  // user-interface thread (OnDisconnected, irc_events.cpp).
  void OnConnected() override { IRCConnected(); }
  void OnDisconnected() override;
  void OnConnectFailed(const ConnectFailure& failure) override {
    RunAtTopOfUiThread([&] { IRCConnectFailed(failure); });
  }
  void OnStateChange() override {
    if (IRC.ConnectionState() == stConnected) IRCRegistered();
  }
  // The channel logs see each event first, so a reply follows what it
  // answers, and a quit or nick change still finds the channels that list
  // its sender.
  void OnMessage(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& text) override {
    logs_.Message(user, channel, text);
    IRCMessage(user, channel, text);
    TellScriptsMessage(ScriptEventKind::Message, user, channel, text);
  }
  void OnNotice(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& text) override {
    logs_.Notice(user, channel, text);
  }
  void OnAction(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& text) override {
    logs_.Action(user, channel, text);
    IRCAction(user, channel, text);
    TellScriptsMessage(ScriptEventKind::Action, user, channel, text);
  }
  void OnJoin(TIdIRCUser* user, TIdIRCChannel* channel) override {
    logs_.Join(user, channel);
    IRCJoin(user, channel);
    TellScripts(ScriptEventKind::Join, user, channel);
  }
  void OnAccountChanged(TIdIRCUser* user, const std::optional<std::string>& previous) override {
    IRCAccountChanged(user, previous);
  }
  void OnHostChanged(TIdIRCUser* user, const std::string&) override { LogInByAccount(*user); }
  void OnAccountLookedUp(TIdIRCUser* user) override { AnswerAccountLogins(*user); }
  void OnJoined(TIdIRCChannel* channel) override { logs_.Joined(channel); }
  void OnPart(TIdIRCUser* user, TIdIRCChannel* channel) override {
    logs_.Part(user, channel);
    IRCPart(user, channel);
    TellScripts(ScriptEventKind::Part, user, channel, {.text = user->Reason});
  }
  void OnParted(TIdIRCChannel* channel) override { logs_.Parted(channel); }
  void OnQuit(TIdIRCUser* user) override {
    logs_.Quit(user);
    IRCQuit(user);
    TellScripts(ScriptEventKind::Quit, user, nullptr, {.text = user->Reason});
  }
  void OnKick(TIdIRCUser* kicker, TIdIRCUser* victim, TIdIRCChannel* channel) override {
    logs_.Kick(kicker, victim->Nick(), victim->Reason, channel);
    IRCKick(kicker, victim, channel);
    TellScripts(ScriptEventKind::Kick, kicker, channel,
                {.text = victim->Reason, .target = victim->Nick()});
  }
  void OnKicked(TIdIRCUser* kicker, TIdIRCChannel* channel) override {
    logs_.Kick(kicker, IRC.Nick(), kicker ? kicker->Reason : "", channel);
    IRCKicked(kicker, channel);
    TellScripts(ScriptEventKind::Kick, kicker, channel,
                {.text = kicker ? kicker->Reason : "", .target = IRC.Nick()});
  }
  void OnTopic(TIdIRCUser* setter, TIdIRCChannel* channel, const std::string&,
               const std::string& topic) override {
    logs_.Topic(setter, channel, topic);
  }
  void OnChannelMode(TIdIRCUser* setter, TIdIRCChannel* channel, const std::string&,
                     const std::string& modes) override {
    logs_.Mode(setter, channel, modes);
    TellScripts(ScriptEventKind::Mode, setter, channel, {.modes = modes});
  }
  void OnSend(const std::string& line) override { logs_.Sent(line); }
  void OnBan(TIdIRCUser* setter, TIdIRCChannel* channel, const std::string& mask) override {
    IRCBan(setter, channel, mask);
  }
  void OnDeop(TIdIRCUser* setter, TIdIRCChannel* channel, TIdIRCUser* target) override {
    IRCDeop(setter, channel, target);
  }
  void OnNickChange(TIdIRCUser* user, const std::string& nick) override {
    logs_.NickChange(user, nick);
    IRCNickChange(user, nick);
    TellScripts(ScriptEventKind::Nick, user, nullptr, {.target = nick});
  }
  void OnNickChanged(const std::string& old_nick) override {
    logs_.OwnNickChange(old_nick);
    IRCNickChanged(old_nick);
  }
  void OnNickRefused(const std::string& new_nick) override { IRCNickRefused(new_nick); }
  void OnReadError(const std::string& message) override { IRCReadError(message); }
  void OnSASLFailed(const std::string& reason) override { IRCSaslFailed(reason); }
  void OnSendQueueFull(const SendDrops& drops) override { IRCSendQueueFull(drops); }
  void OnServerError(const std::string& text) override { IRCServerError(text); }
  void OnJoinRefused(const std::string& channel, const std::string& text) override {
    IRCJoinRefused(channel, text);
  }
  void OnNickFallback(int number, const std::string& refused, const std::string& next) override {
    IRCNickFallback(number, refused, next);
  }
  void OnServerFeatures() override { regain_.MonitorNickIfOffered(); }
  void OnNames(TIdIRCUsers*, TIdIRCChannel* channel) override { bans_.NamesEnd(channel); }
  void OnUnban(TIdIRCUser* setter, TIdIRCChannel* channel, const std::string& mask) override {
    IRCUnban(setter, channel, mask);
  }
  void OnCTCPQuery(TIdIRCUser* user, TIdIRCChannel* channel, const std::string&, const std::string&,
                   bool& suppress) override {
    if (user && channel) suppress = GuardCtcp(*user, *channel);
  }
  void OnMonitorOffline(const std::vector<std::string>& nicks) override {
    regain_.NicksOffline(nicks);
  }

  // --- IRC event reactions ------------------------------------------------
  void IRCMessage(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& text);
  void IRCAction(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& text);
  void IRCJoin(TIdIRCUser* user, TIdIRCChannel* channel);
  // Voice or op by the user's rights in the channel.
  void GiveRightsModes(const TIdIRCUser& user, const std::string& channel);
  void IRCAccountChanged(TIdIRCUser* user, const std::optional<std::string>& previous);
  // With AccountLogin on, logs the person in by the account the record
  // holds, from the address it holds.
  void LogInByAccount(const TIdIRCUser& user);
  // Answers the logins that waited for the person's account
  // (login_by_account.cpp).
  void AnswerAccountLogins(const TIdIRCUser& user);
  void IRCPart(TIdIRCUser* user, TIdIRCChannel* channel);
  void IRCQuit(TIdIRCUser* user);
  void IRCKick(TIdIRCUser* kicker, TIdIRCUser* victim, TIdIRCChannel* channel);
  void IRCKicked(TIdIRCUser* kicker, TIdIRCChannel* channel);
  void IRCBan(TIdIRCUser* setter, TIdIRCChannel* channel, const std::string& mask);
  void IRCUnban(TIdIRCUser* setter, TIdIRCChannel* channel, const std::string& mask);
  void IRCDeop(TIdIRCUser* setter, TIdIRCChannel* channel, TIdIRCUser* target);
  void IRCNickChange(TIdIRCUser* user, const std::string& new_nick);
  void IRCNickChanged(const std::string& old_nick);
  void IRCNickRefused(const std::string& new_nick);
  void IRCReadError(const std::string& message);
  void IRCSendQueueFull(const SendDrops& drops);
  void IRCSaslFailed(const std::string& reason);
  void IRCServerError(const std::string& text);
  void IRCJoinRefused(const std::string& channel, const std::string& text);
  void IRCNickFallback(int number, const std::string& refused, const std::string& next);
  // KickOnColors of the channel, sparing the exempt where the channel's
  // protection is configured.
  bool KicksForColours(const TIdIRCUser& user, const TIdIRCChannel& channel);
  // The channel's flood and spam defences (channel_defence.cpp); true when
  // the user was kicked or banned for the message.
  bool GuardChannel(const TIdIRCUser& user, const TIdIRCChannel& channel, const std::string& text);
  // A join counted against a join flood and join/part cycling
  // (channel_defence.cpp); true when the user was kicked or banned for it.
  bool GuardJoin(const TIdIRCUser& user, const TIdIRCChannel& channel);
  // A nick change counted in every channel that lists the user.
  void GuardNickChange(const TIdIRCUser& user, const std::string& new_nick);
  // A CTCP query to the channel; true when it is an offence, left unanswered.
  bool GuardCtcp(const TIdIRCUser& user, const TIdIRCChannel& channel);
  // Who offended: the nick the server knows now, and whether the channel's
  // record holds them as an operator.
  struct Offender {
    const std::string& nick;
    const std::string& address;
    bool channel_operator;
  };
  // The next step against an offender who is not exempt, taken; none for
  // the exempt.
  std::optional<GuardStep> ActOnOffence(const Offender& offender, const std::string& channel,
                                        const ChannelSettings& settings, const std::string& why);
  void TakeGuardAction(const Offender& offender, const std::string& channel,
                       const ChannelSettings& settings, const GuardAction& action);

  // --- Catch points ---------------------------------------------------------
  // The top of the user-interface thread: an error is shown in the error box
  // and the program goes on.
  void RunAtTopOfUiThread(const std::function<void()>& action) override;
  void ShowError(const std::string& message) override;
  bool Closing() const override { return closing_; }

  // --- What the commands use -------------------------------------------------
  TIdIRC& Irc() override { return IRC; }
  TMessageDisplay& Display() override { return MessageDisplay; }
  std::string UsersFilePath() const override { return ProgramFolder + UsersFileName; }
  IniFileCache* UserFileCache() override { return &user_file_cache_; }
  std::optional<std::string> CurrentSecurityPassword() const override { return SecurityPassword; }
  LoginThrottle& FailedLogins() override { return failed_logins_; }
  bool StoresHashedPasswords() const override { return HashPasswords; }
  bool LogsInByAccount() const override { return AccountLogin; }
  bool AwaitAccount(const TIdIRCUser& user, const std::string& name) override;
  TIdTCPClient& PageClient() override { return TCP; }
  DictionarySource Dictionary() const override { return lookups_.Dictionary(); }
  TvListingSource TvListing() const override { return lookups_.TvListing(); }
  TvListingCache* TvCache() override { return lookups_.TvCache(); }
  int ReplyLines() const override { return lookups_.ReplyLines(); }
  BanList* Bans() override { return bans_.List(); }
  const ChannelSettings* ProtectionOf(const std::string& channel) const override {
    return &Protect.For(channel);
  }
  void BansChanged() override { bans_.Reschedule(); }
  bool RunChannelPrivate(const std::vector<std::string>& parts, const TIdIRCUser& user) override {
    if (SameText(parts.front(), kChansetWord)) {
      Chanset(parts, user);
      return true;
    }
    return DispatchBanPrivate(*this, parts, user) || scripts_.RunPrivate(parts, user);
  }
  bool RunScriptChannel(const std::vector<std::string>& parts, const TIdIRCUser& requester,
                        const std::string& channel) override {
    return scripts_.RunChannel(parts, requester, channel);
  }
  std::optional<std::string> ScriptHelp(const std::string& key) override {
    return scripts_.Help(key);
  }
  std::string ScriptCommandList() override { return scripts_.CommandList(); }
  static constexpr const char* kChansetWord = "chanset";
  // "chanset;#room[;key;value]" for the channel's owner (chanset.cpp).
  void Chanset(const std::vector<std::string>& parts, const TIdIRCUser& user);
  void Pause(int milliseconds) override;

  // --- Owned parts and state ------------------------------------------------
  UiPort& Port;
  TMessageDisplay MessageDisplay;
  TIdIRC IRC;
  TIdTCPClient TCP;
  std::unique_ptr<UiTimer> Timer;

  std::string ProgramFolder;
  std::string UsersFileName = "Users.ini";
  std::string QuitMessage;
  // None: generalowner and reload from IRC are off.
  std::optional<std::string> SecurityPassword;
  bool HashPasswords = false;
  // People are logged in by their services account ([Users] AccountLogin).
  bool AccountLogin = false;
  bool AutoVoice = true;
  bool KickOnColors = true;
  // Every channel's AutoVoice, KickOnColors and protection.
  ProtectSettings Protect;

  // --- Owned concerns -------------------------------------------------------
  Reconnection& Reconnect() { return reconnect_; }
  const ChannelRejoin& Rejoining() const { return rejoin_; }
  const NickRegain& Regain() const { return regain_; }
  ChannelLog& Logs() { return logs_; }
  const BanKeeper& BanKeeping() const { return bans_; }
  const ChannelLocks& Locks() const { return locks_; }
  const FormScripts& Scripts() const { return scripts_; }
  // The bans the bot keeps, in the data folder.
  static constexpr const char* kBansFileName = "Bans.ini";

 private:
  void FormCreate();
  // Every key, in order; raises at the first value that cannot be used.
  void ApplyConfig(const TIniFile& ini);
  void LoadTls(const TIniFile& ini);
  void LoadDisplay(const TIniFile& ini);
  // One Dangerous line for each data file or folder the bot cannot read or
  // write, and for each file of secrets that others may use.
  void WarnOfFileAccess();
  void SetUpIrc();
  // What the service manager's status line says of the link.
  LinkFacts ServiceLinkFacts();
  // Queues work for the user-interface thread that is dropped once the form
  // is gone.
  void PostToForm(std::function<void()> task);
  // A private or channel command: one that fails ends silently.
  void RunCommandFailingSilently(const std::function<void()>& command);
  // The scripts' side of an event (script_events.cpp).
  void TellScripts(ScriptEventKind kind, const TIdIRCUser* who, TIdIRCChannel* channel,
                   const ScriptEventDetails& details = {});
  // Others' messages and actions; the bot's own words are not told.
  void TellScriptsMessage(ScriptEventKind kind, const TIdIRCUser* user, TIdIRCChannel* channel,
                          const std::string& text);
  // What the scripts are told of the rest of the configuration.
  FormScripts::FormFacts ScriptFacts() const;

  LookupSettings lookups_;
  IniFileCache user_file_cache_;
  LoginThrottle failed_logins_;
  // Tasks queued for the user-interface thread hold a weak copy: once the
  // form is going, they find it expired and do nothing.
  struct Lifetime {};
  std::shared_ptr<Lifetime> lifetime_ = std::make_shared<Lifetime>();
  bool closing_ = false;
  // Created in the order their timers tick in: the rejoin's, the
  // reconnection's, the nick regain's, the bans'.
  ChannelRejoin rejoin_;
  Reconnection reconnect_;
  NickRegain regain_;
  ServiceHealth health_{Port, ServiceEnvironment::FromEnvironment()};
  // Last, so its writer has stopped before the rest goes; the writer's
  // notices reach the display through PostToForm.
  ChannelLog logs_{IRC, [this](const std::string& text, TextClass text_class) {
                     PostToForm([this, text, text_class] {
                       MessageDisplay.DisplayColoredLine(text, text_class);
                     });
                   }};
  BanKeeper bans_;
  ChannelGuards guards_;
  NetsplitMemory netsplit_;
  // The logins (login;<user>) waiting for the sender's account, oldest
  // first; at most kMaxAccountLookups.
  struct AccountWait {
    std::string nick;
    std::string address;
    std::string name;
  };
  std::deque<AccountWait> account_waits_;
  ChannelLocks locks_;
  // Last, so the scripts go first, while all they use is whole.
  FormScripts scripts_{*this, Port, *this,
                       [this](std::function<void()> task) { PostToForm(std::move(task)); }};
};

}  // namespace zelmo
