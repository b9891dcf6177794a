#include <variant>

#include "irc/protocol/incoming_messages.h"
#include "irc/protocol/irc_commands.h"
#include "irc/protocol/peer_bounds.h"
#include "irc/session/irc_client.h"
#include "shell/base/convert.h"

// A received line: split, decoded once (incoming_messages.h), then carried
// out by the Receive overload of its message. The commands are here; CTCP,
// modes and the numeric replies have files of their own.

namespace zelmo {

void TIdIRC::HandleLine(const std::string& line) {
  if (state_ == stDisconnected || line.empty()) return;
  ExpireAccountLookups();
  events_->OnReceive(line);
  SplitLine(ReadTags(line), line_);
  UserHold user(Users, line_.SenderNick, line_.SenderAddress);
  RecallAccount(*user.get());
  bool suppress = false;
  events_->OnRaw(user.get(), line_.CommandText, line_.LineContent, suppress);
  if (suppress) return;
  const IncomingMessage message = DecodeMessage(line_);
  if (sasl_ && TakeSaslLine(message)) return;
  if (caps_ && TakeCapabilityLine(message)) return;
  if (line_tags_.account && !line_.SenderNick.empty() && CapabilityOn("account-tag")) {
    NoteAccount(*user.get(), line_tags_.account);
  }
  line_channel_.clear();
  std::visit([this, &user](const auto& decoded) { Receive(decoded, user.get()); }, message);
}

void TIdIRC::HandleLineReportingFailure(const std::string& line) {
  try {
    HandleLine(line);
  } catch (const std::exception& error) {
    ReportReadError("Error while handling a server line: ", error.what());
  }
}

void TIdIRC::RaiseUnknown(TIdIRCUser* user, const std::string& content) {
  events_->OnUnknownCommand(user, line_.CommandText, content);
}

void TIdIRC::Receive(const incoming::Privmsg& message, TIdIRCUser* user) {
  events_->OnMessage(user, Channels.Find(message.target), message.text);
}

void TIdIRC::Receive(const incoming::Notice& message, TIdIRCUser* user) {
  events_->OnNotice(user, Channels.Find(message.target), message.text);
}

void TIdIRC::Receive(const incoming::Join& message, TIdIRCUser* user) {
  line_channel_ = message.channel;
  if (SenderIsMe()) {
    Joined(message.channel);
    return;
  }
  // Known before the member is: a login by account is in place when the
  // join is told.
  if (CapabilityOn("extended-join")) {
    const bool none = message.account.empty() || message.account == "*";
    NoteAccount(*user, none ? std::nullopt : std::optional(message.account));
  }
  auto channel = Channels.FindShared(message.channel);
  if (channel && !channel->HasUser(user->Nick())) {
    if (Channels.MemberRoom() > 0) {
      channel->MemberJoin(user);
    } else {
      ReportMembersBound();
    }
  }
  events_->OnJoin(user, channel.get());
}

void TIdIRC::Joined(const std::string& name) {
  // The server shows the bot the prefix it puts in front of its lines.
  relay_address_ = line_.Prefix().size() - line_.SenderNick.size();
  NoteJoined(name);
  if (!Channels.Find(name) && static_cast<std::size_t>(Channels.Count()) >= kMaxChannels) {
    ReportBound(bound_notes_.channels, "Too many channels: not keeping track of " + name +
                                           " and any further one (at most " +
                                           std::to_string(kMaxChannels) + ")");
    return;
  }
  auto channel = Channels.Add(
      name, [this](TIdIRCChannel* updated, TIdIRCChannelUpdateType type, TIdIRCUser* member,
                   int info) { events_->OnChannelUpdate(updated, type, member, info); });
  channel->Active = true;
  if (caps_ && Features.Value("WHOX") && whox_due_.size() < kMaxChannels) {
    whox_due_.push_back(name);
  }
  Mode(name, "", "");
  events_->OnJoined(channel.get());
}

void TIdIRC::Receive(const incoming::Part& message, TIdIRCUser* user) {
  line_channel_ = message.channel;
  user->Reason = message.reason;
  auto channel = Channels.FindShared(message.channel);
  if (SenderIsMe()) {
    if (channel) {
      channel->Active = false;
      channel->CloseType = ctParted;
    }
    events_->OnParted(channel.get());
    Channels.Remove(message.channel);
    return;
  }
  if (channel) channel->MemberPart(user);
  ForgetAccountUnlessShared(user->Nick());
  events_->OnPart(user, channel.get());
}

void TIdIRC::Receive(const incoming::Kick& message, TIdIRCUser* user) {
  line_channel_ = message.channel;
  user->Reason = message.reason;
  auto channel = Channels.FindShared(message.channel);
  if (IsMe(message.victim)) {
    if (channel) {
      channel->Active = false;
      channel->CloseType = ctKicked;
    }
    events_->OnKicked(user, channel.get());
    Channels.Remove(message.channel);
    return;
  }
  UserHold victim(Users, message.victim, "");
  victim->Reason = message.reason;
  events_->OnKick(user, victim.get(), channel.get());
  if (channel) channel->MemberKick(victim.get());
  ForgetAccountUnlessShared(message.victim);
}

void TIdIRC::Receive(const incoming::Nick& message, TIdIRCUser* user) {
  const std::string& new_nick = message.new_nick;
  if (SenderIsMe()) {
    // A nick the bot could not be known by would make every line, or none,
    // its own: the bot keeps the nick it has.
    if (!IsValidNick(new_nick, Features.NickLength())) {
      events_->OnNickRefused(new_nick);
      return;
    }
    std::string old_nick = CurrentNick;
    CurrentNick = new_nick;
    events_->OnNickChanged(old_nick);
  } else {
    events_->OnNickChange(user, new_nick);
  }
  Channels.NickChange(user, new_nick);
  RenameAccount(user->Nick(), new_nick);
  Users.SetNick(*user, new_nick);
}

void TIdIRC::Receive(const incoming::Quit& message, TIdIRCUser* user) {
  user->Reason = message.reason;
  events_->OnQuit(user);
  Channels.Quit(user);
  accounts_.erase(LowerCase(user->Nick()));
}

void TIdIRC::Receive(const incoming::Topic& message, TIdIRCUser* user) {
  auto channel = Channels.FindShared(message.channel);
  if (!channel) return;
  channel->SetTopic(message.topic);
  events_->OnTopic(user, channel.get(), channel->Name(), message.topic);
}

void TIdIRC::Receive(const incoming::Invite& message, TIdIRCUser* user) {
  events_->OnInvite(user, message.channel);
}

void TIdIRC::Receive(const incoming::Kill& message, TIdIRCUser* user) {
  events_->OnKill(user, message.victim, message.reason);
}

void TIdIRC::Receive(const incoming::Ping& message, TIdIRCUser*) {
  Raw(outgoing::Pong(message.token), SendKind::Urgent);
  events_->OnPingPong();
}

void TIdIRC::Receive(const incoming::Wallops& message, TIdIRCUser* user) {
  events_->OnWallops(user, message.text);
}

void TIdIRC::Receive(const incoming::ServerError& message, TIdIRCUser*) {
  events_->OnServerError(message.text);
}

// Outside a SASL login the capability lines are nobody's.
void TIdIRC::Receive(const incoming::Cap&, TIdIRCUser* user) {
  RaiseUnknown(user, line_.LineContent);
}

void TIdIRC::Receive(const incoming::Authenticate&, TIdIRCUser* user) {
  RaiseUnknown(user, line_.LineContent);
}

void TIdIRC::Receive(const incoming::Unknown&, TIdIRCUser* user) {
  RaiseUnknown(user, line_.LineContent);
}

}  // namespace zelmo
