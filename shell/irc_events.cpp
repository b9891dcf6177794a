#include <chrono>
#include <exception>

#include "channel/chanmsg.h"
#include "shell/base/convert.h"
#include "shell/mainunit.h"
#include "shell/othermsg.h"
#include "users/account_login.h"
#include "users/privmsg.h"
#include "users/scriptfunc.h"
#include "users/user_file.h"

// The shell's reactions to the IRC client's events; the connection's own
// go on to the reconnection, the rejoin and the nick regain.

namespace zelmo {

namespace {

constexpr char kColourCode = '\x03';

// The channel's name, also for an event about a channel the bot holds no
// record of (the server's line still names it).
std::string ChannelName(TIdIRCChannel* channel, const TIdIRC& irc) {
  return channel ? channel->Name() : irc.LineChannel();
}

}  // namespace

// A command that fails ends silently: no reply, no line, no error box.
void TMainForm::RunCommandFailingSilently(const std::function<void()>& command) {
  try {
    command();
  } catch (const EIniFileException& error) {
    // Nothing is answered for a command that did not happen, but the
    // operator must learn that the disk refused it.
    MessageDisplay.DisplayColoredLine(
        error.Message() + " (" + error.Reason() + "): the command ended without an answer",
        Errorous);
  } catch (const std::exception&) {
  }
}

bool TMainForm::KicksForColours(const TIdIRCUser& user, const TIdIRCChannel& channel) {
  const ChannelSettings& settings = Protect.For(channel.Name());
  if (!settings.kick_on_colors) return false;
  if (!settings.spares_exempt) return true;
  const int member = channel.FindUser(user.Nick());
  const bool op = member >= 0 && (channel.Names()[member].Flags & mfOp) != 0;
  return !IsExempt(settings, RightsLevel(*this, channel.Name(), user.Address), op);
}

void TMainForm::IRCMessage(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& text) {
  // A server's own message (InspIRCd sends its notices so) has no nick to
  // answer or kick: a reply to an empty target is refused by the server.
  if (user->Nick().empty()) {
    ShowPrivate(*this, text, *user);
    return;
  }
  std::string target = channel ? channel->Name() : user->Nick();
  if (!target.empty() && target[0] == '#') {
    // A sender whose nick begins with "#" (relayed by some servers and
    // bouncers) lands here without a channel record: there is no channel
    // to kick from or to run a command in.
    if (!channel) return;
    if (GuardChannel(*user, *channel, text)) return;
    if (text.find(kColourCode) != std::string::npos && KicksForColours(*user, *channel)) {
      channel->Kick(user->Nick(), "No colors!");
    }
    if (!text.empty() && text[0] == '!') {
      TIdIRC::RequesterScope requester(IRC, *user);
      RunCommandFailingSilently([&] { DispatchChannel(*this, text, channel->Name(), *user); });
    }
    return;
  }
  // The bot's own words come back when it talks to its own nick; answering
  // them would answer the answer again, without end.
  if (SameText(user->Nick(), IRC.Nick())) {
    ShowPrivate(*this, text, *user);
    return;
  }
  TIdIRC::RequesterScope requester(IRC, *user);
  RunCommandFailingSilently([&] { DispatchPrivate(*this, text, *user); });
}

void TMainForm::IRCAction(TIdIRCUser* user, TIdIRCChannel* channel, const std::string& text) {
  IRCMessage(user, channel, text);
}

void TMainForm::IRCJoin(TIdIRCUser* user, TIdIRCChannel* channel) {
  std::string name = ChannelName(channel, IRC);
  if (channel && bans_.Joined(*user, name)) {
    ShowJoin(MessageDisplay, user->Nick(), name);
    return;
  }
  if (channel && GuardJoin(*user, *channel)) {
    ShowJoin(MessageDisplay, user->Nick(), name);
    return;
  }
  if (channel && Protect.For(name).auto_voice) channel->Voice(user->Nick());
  ShowJoin(MessageDisplay, user->Nick(), name);
  GiveRightsModes(*user, name);
}

void TMainForm::GiveRightsModes(const TIdIRCUser& user, const std::string& channel) {
  if (RightsLevel(*this, channel, user.Address) == 1) {
    SendMode(*this, channel, "+v " + user.Nick());
  } else if (RightsLevel(*this, channel, user.Address) >= 2) {
    SendMode(*this, channel, "+o " + user.Nick());
  }
}

// A login by account is a login as a password makes it, with nothing sent:
// the rights count at once in every channel the person is in.
void TMainForm::IRCAccountChanged(TIdIRCUser* user, const std::optional<std::string>& previous) {
  if (!AccountLogin || user->Nick().empty() || SameText(user->Nick(), IRC.Nick())) return;
  if (previous) {
    UserFile users(*this);
    if (const auto name = LogoutByAccount(users, *previous, user->Address)) {
      MessageDisplay.DisplayColoredLine(
          "Logout: " + *name + " by account " + *previous + " from " + user->Address, Important);
    }
  }
  LogInByAccount(*user);
}

// A host change moves a login by account to the new address, as a login
// from there would.
void TMainForm::LogInByAccount(const TIdIRCUser& user) {
  if (!AccountLogin || !user.Account || SameText(user.Nick(), IRC.Nick())) return;
  UserFile users(*this);
  const auto name = LoginByAccount(users, *user.Account, user.Address);
  if (!name) return;
  MessageDisplay.DisplayColoredLine(
      "Login: " + *name + " by account " + *user.Account + " from " + user.Address, Important);
  for (int i = 0; i < IRC.Channels.Count(); ++i) {
    const TIdIRCChannel* channel = IRC.Channels.Items(i);
    const int member = channel->FindUser(user.Nick());
    // A member already opped or voiced keeps what it has.
    if (member < 0 || channel->Names()[static_cast<std::size_t>(member)].Flags != 0) continue;
    GiveRightsModes(user, channel->Name());
  }
}

void TMainForm::IRCPart(TIdIRCUser* user, TIdIRCChannel* channel) {
  ShowPart(MessageDisplay, user->Nick(), ChannelName(channel, IRC));
}

void TMainForm::IRCQuit(TIdIRCUser* user) {
  ShowQuit(MessageDisplay, user->Nick());
  if (IsNetsplitReason(user->Reason)) {
    netsplit_.Lost(user->Nick(), std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
  }
  if (SameText(user->Nick(), IRC.ConfiguredNick())) regain_.RegainNickOnNews();
}

void TMainForm::IRCKick(TIdIRCUser* kicker, TIdIRCUser* victim, TIdIRCChannel* channel) {
  ShowKick(MessageDisplay, victim->Nick(), ChannelName(channel, IRC), kicker->Nick());
}

void TMainForm::IRCKicked(TIdIRCUser* kicker, TIdIRCChannel* channel) {
  std::string name = ChannelName(channel, IRC);
  MessageDisplay.DisplayColoredLine("I have been kicked from " + name + " by " + kicker->Nick(),
                                    Errorous);
  Port.Balloon("ZelmoBot: Kicked",
               "Kicked from " + name + " by " + kicker->Nick() + "\rType /msg " + IRC.Nick() +
                   " join" + name + " to rejoin!",
               BalloonIcon::Info, 60);
}

void TMainForm::IRCBan(TIdIRCUser* setter, TIdIRCChannel* channel, const std::string& mask) {
  std::string name = ChannelName(channel, IRC);
  // Only the bot's exact address counts: a wildcard mask that matches the
  // bot is reported like any other ban.
  if (mask == IRC.Users.Address(IRC.Nick())) {
    MessageDisplay.DisplayColoredLine("I have been banned from " + name + " by " + setter->Nick(),
                                      Dangerous);
  } else {
    ShowBan(MessageDisplay, mask, name, setter->Nick());
  }
}

void TMainForm::IRCUnban(TIdIRCUser* setter, TIdIRCChannel* channel, const std::string& mask) {
  const std::string name = ChannelName(channel, IRC);
  bans_.Unbanned(setter, name, mask, Protect.For(name).sticky_bans);
}

void TMainForm::IRCDeop(TIdIRCUser* setter, TIdIRCChannel* channel, TIdIRCUser* target) {
  // Without a record of the deopped nick its address is unknown, so its
  // rights cannot be looked up; nothing is done.
  if (!target) return;
  std::string name = ChannelName(channel, IRC);
  if (RightsLevel(*this, name, setter->Address) < RightsLevel(*this, name, target->Address)) {
    SendMode(*this, name, "+o " + target->Nick());
  }
}

void TMainForm::IRCNickChange(TIdIRCUser* user, const std::string& new_nick) {
  ShowNickChange(MessageDisplay, user->Nick(), new_nick);
  GuardNickChange(*user, new_nick);
  if (SameText(user->Nick(), IRC.ConfiguredNick()) && !SameText(new_nick, IRC.ConfiguredNick())) {
    regain_.RegainNickOnNews();
  }
}

void TMainForm::IRCNickChanged(const std::string& old_nick) {
  // The configured nick back from the alternative one: Config.ini already
  // holds it.
  if (old_nick == IRC.AltNick && IRC.Nick() == IRC.ConfiguredNick()) {
    regain_.NickRegained();
    return;
  }
  Port.Balloon("Nick changed", "My nick has been changed from " + old_nick + " to " + IRC.Nick(),
               BalloonIcon::Info, 10);
  // A Config.ini that cannot be written is told as at the top of the
  // user-interface thread; the line's handling goes on.
  RunAtTopOfUiThread([this] { WriteNickBack(); });
}

// The bot keeps its nick, and Config.ini keeps it too.
void TMainForm::IRCNickRefused(const std::string& new_nick) {
  MessageDisplay.DisplayColoredLine("Refused an invalid nick from the server: " + new_nick,
                                    Dangerous);
}

void TMainForm::IRCReadError(const std::string& message) {
  MessageDisplay.DisplayColoredLine(message, Errorous);
}

void TMainForm::IRCSendQueueFull(const SendDrops& drops) {
  if (drops.ctcp_replies) {
    MessageDisplay.DisplayColoredLine("Send queue full: dropping the oldest CTCP replies",
                                      Errorous);
  }
  for (const std::string& requester : drops.requesters) {
    MessageDisplay.DisplayColoredLine("Send queue full: dropping replies to " + requester,
                                      Errorous);
  }
  if (drops.own_lines) {
    MessageDisplay.DisplayColoredLine("Send queue full: dropping the bot's own lines", Errorous);
  }
}

// The server says why it closes the link; the loss itself is told next.
// After the operator's own QUIT it is the expected farewell, not an error.
void TMainForm::IRCServerError(const std::string& text) {
  MessageDisplay.DisplayColoredLine("Server error: " + text,
                                    reconnect_.ReconnectWanted ? Errorous : Normal);
}

void TMainForm::IRCJoinRefused(const std::string& channel, const std::string& text) {
  MessageDisplay.DisplayColoredLine("Cannot join " + channel + ": " + text, Errorous);
}

void TMainForm::IRCNickFallback(int number, const std::string& refused, const std::string& next) {
  const std::string why = number == 433 ? " is taken" : " is refused";
  MessageDisplay.DisplayColoredLine(
      "Nick " + refused + why + (next.empty() ? "; no other nick to try" : "; using " + next),
      Dangerous);
}

// The operator asked for an account: joining without it could cost channel
// access, and a new attempt would fail the same way, so the link that is
// closed now is not reconnected.
void TMainForm::IRCSaslFailed(const std::string& reason) {
  reconnect_.ClosedByBot();
  MessageDisplay.DisplayColoredLine(reason, Errorous);
}

void TMainForm::IRCConnected() {
  reconnect_.LinkOpened();
  MessageDisplay.DisplayColoredLine("Connected to " + IRC.Host + ".", Important);
  if (const auto& tls = IRC.Security()) {
    MessageDisplay.DisplayColoredLine(
        std::string(tls->verified ? "TLS: verified " : "TLS: not verified ") + tls->subject + " (" +
            tls->protocol + ")",
        Important);
  }
  // Before the negotiation that sends the password; loopback bouncers
  // rely on the plain link, so it is said and not refused.
  if (IRC.SendsSaslPasswordInClear()) {
    MessageDisplay.DisplayColoredLine("SASL PLAIN sends the password unencrypted: set TLS=1",
                                      Dangerous);
  }
  regain_.StopNickRegain();
  rejoin_.LinkOpened();
}

void TMainForm::IRCRegistered() {
  reconnect_.Registered();
  regain_.WatchForNick();
  rejoin_.Registered();
  TellScripts(ScriptEventKind::Connected, nullptr, nullptr);
}

// The transport reports a closed link on whichever thread noticed it,
// usually the reader thread: the handler runs on the user-interface thread.
void TMainForm::OnDisconnected() {
  unsigned connection = reconnect_.CurrentConnection();
  PostToForm([this, connection] {
    RunAtTopOfUiThread([this, connection] { IRCDisconnected(connection); });
  });
}

}  // namespace zelmo
