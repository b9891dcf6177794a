#include "irc/ctcp.h"
#include "irc/irc_client.h"
#include "irc/irc_commands.h"
#include "irc/peer_bounds.h"

// The handling of received command words (PRIVMSG, JOIN, ...); MODE is in
// irc_modes.cpp.

namespace zelmo {

void TIdIRC::HandleCommand(TIdIRCUser* user) {
  const std::string& command = line_.CommandText;
  if (command == "PRIVMSG") {
    HandlePrivmsg(user);
  } else if (command == "NOTICE") {
    HandleNotice(user);
  } else if (command == "JOIN") {
    HandleJoin(user);
  } else if (command == "PART") {
    HandlePart(user);
  } else if (command == "KICK") {
    HandleKick(user);
  } else if (command == "MODE") {
    HandleMode(user);
  } else if (command == "NICK") {
    HandleNick(user);
  } else if (command == "QUIT") {
    HandleQuit(user);
  } else if (command == "INVITE") {
    if (OnInvite) OnInvite(user, Slot(3));
  } else if (command == "KILL") {
    if (OnKill) OnKill(user, Slot(2), Slot(3));
  } else if (command == "PING") {
    Raw(outgoing::Pong(Slot(2)), SendKind::Urgent);
    if (OnPingPong) OnPingPong();
  } else if (command == "WALLOPS") {
    if (OnWallops) OnWallops(user, Slot(2));
  } else if (command == "TOPIC") {
    HandleTopic(user);
  } else if (command == "ERROR" && OnServerError) {
    OnServerError(Slot(2));
  } else if (OnUnknownCommand) {
    OnUnknownCommand(user, line_.CommandText, line_.LineContent);
  }
}

void TIdIRC::HandlePrivmsg(TIdIRCUser* user) {
  // A server's own query (no nick in its prefix) has nobody to answer, as a
  // reply to an empty target is refused: it goes on as the message it is.
  if (IsCtcpMessage(Slot(3)) && !line_.SenderNick.empty()) {
    HandleCtcpQuery();
  } else if (OnMessage) {
    OnMessage(user, Channels.Find(Slot(2)), Slot(3));
  }
}

void TIdIRC::HandleNotice(TIdIRCUser* user) {
  if (IsCtcpMessage(Slot(3))) {
    HandleCtcpReply();
  } else if (OnNotice) {
    OnNotice(user, Channels.Find(Slot(2)), Slot(3));
  }
}

void TIdIRC::HandleJoin(TIdIRCUser* user) {
  if (SenderIsMe()) {
    // The server shows the bot the prefix it puts in front of its lines.
    relay_address_ = Slot(0).size() - line_.SenderNick.size();
    NoteJoined(Slot(2));
    if (!Channels.Find(Slot(2)) && static_cast<std::size_t>(Channels.Count()) >= kMaxChannels) {
      ReportBound(bound_notes_.channels, "Too many channels: not keeping track of " + Slot(2) +
                                             " and any further one (at most " +
                                             std::to_string(kMaxChannels) + ")");
      return;
    }
    auto channel = Channels.Add(Slot(2), OnChannelUpdate);
    channel->Active = true;
    Mode(Slot(2), "", "");
    if (OnJoined) OnJoined(channel.get());
    return;
  }
  auto channel = Channels.FindShared(Slot(2));
  if (channel && !channel->HasUser(user->Nick())) {
    if (Channels.MemberCount() < kMaxMembers) {
      channel->MemberJoin(user);
    } else {
      ReportMembersBound();
    }
  }
  if (OnJoin) OnJoin(user, channel.get());
}

void TIdIRC::HandlePart(TIdIRCUser* user) {
  user->Reason = Slot(3);
  auto channel = Channels.FindShared(Slot(2));
  if (SenderIsMe()) {
    if (channel) {
      channel->Active = false;
      channel->CloseType = ctParted;
    }
    if (OnParted) OnParted(channel.get());
    Channels.Remove(Slot(2));
    return;
  }
  if (channel) channel->MemberPart(user);
  if (OnPart) OnPart(user, channel.get());
}

void TIdIRC::HandleKick(TIdIRCUser* user) {
  user->Reason = Slot(4);
  auto channel = Channels.FindShared(Slot(2));
  if (IsMe(Slot(3))) {
    if (channel) {
      channel->Active = false;
      channel->CloseType = ctKicked;
    }
    if (OnKicked) OnKicked(user, channel.get());
    Channels.Remove(Slot(2));
    return;
  }
  UserHold victim(Users, Slot(3), "");
  victim->Reason = Slot(4);
  if (OnKick) OnKick(user, victim.get(), channel.get());
  if (channel) channel->MemberKick(victim.get());
}

void TIdIRC::HandleNick(TIdIRCUser* user) {
  std::string new_nick = Slot(2);
  if (SenderIsMe()) {
    // A nick the bot could not be known by would make every line, or none,
    // its own: the bot keeps the nick it has.
    if (!IsValidNick(new_nick, Features.NickLength())) {
      if (OnNickRefused) OnNickRefused(new_nick);
      return;
    }
    std::string old_nick = CurrentNick;
    CurrentNick = new_nick;
    if (OnNickChanged) OnNickChanged(old_nick);
  } else if (OnNickChange) {
    OnNickChange(user, new_nick);
  }
  Channels.NickChange(user, new_nick);
  Users.SetNick(*user, new_nick);
}

void TIdIRC::HandleQuit(TIdIRCUser* user) {
  user->Reason = Slot(2);
  if (OnQuit) OnQuit(user);
  Channels.Quit(user);
}

void TIdIRC::HandleTopic(TIdIRCUser* user) {
  auto channel = Channels.FindShared(Slot(2));
  if (!channel) return;
  channel->SetTopic(Slot(3));
  if (OnTopic) OnTopic(user, channel.get(), channel->Name(), Slot(3));
}

}  // namespace zelmo
