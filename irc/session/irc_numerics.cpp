#include "irc/protocol/numeric_replies.h"
#include "irc/protocol/peer_bounds.h"
#include "irc/session/irc_client.h"

// What numeric server replies do to the client: the replies are decoded in
// numeric_replies.cpp, and each kind is carried out here.

namespace zelmo {

namespace {

// The list goes to its listener in pieces of this many entries.
constexpr int kListPiece = 40;

}  // namespace

void TIdIRC::Receive(const ShownReply& reply, TIdIRCUser* user) {
  events_->OnSystem(user, reply.number, reply.word, reply.text);
  TakeWhoisReply(reply.number);
  TakeWhoReply(reply.number);
}

void TIdIRC::Receive(const WelcomeReply& reply, TIdIRCUser* user) {
  ServerName = reply.server;
  SetState(stConnected);
  events_->OnSystem(user, reply.number, "WELCOME", reply.text);
}

void TIdIRC::Receive(const FeaturesReply& reply, TIdIRCUser* user) {
  if (!Features.Take(reply.text)) {
    ReportBound(bound_notes_.features, "Too many server features: ignoring new 005 tokens beyond " +
                                           std::to_string(kMaxServerFeatures));
  }
  RaiseUnknown(user, reply.text);
  events_->OnServerFeatures();
}

// The away text goes with the record of the nick it is about, if any.
void TIdIRC::Receive(const AwayReply& reply, TIdIRCUser*) {
  TIdIRCUser* away = Users.Find(reply.nick);
  if (away) away->Reason = reply.text;
  events_->OnAway(away);
}

void TIdIRC::Receive(const OwnAwayReply& reply, TIdIRCUser*) {
  Away = reply.away;
  if (reply.away) {
    events_->OnNowAway(reply.text);
  } else {
    events_->OnUnAway(reply.text);
  }
}

void TIdIRC::Receive(const ListStartReply& reply, TIdIRCUser* user) {
  if (events_->CollectsList()) {
    list_buffer_.clear();
    list_position_ = 0;
    events_->OnList(list_buffer_, 0, false);
  }
  events_->OnSystem(user, reply.number, "LIST", "Start of LIST");
}

void TIdIRC::Receive(const ListEntryReply& reply, TIdIRCUser*) {
  if (!events_->CollectsList()) return;
  if (list_buffer_.size() >= kMaxListEntries) {
    ReportBound(bound_notes_.list,
                "Too many LIST entries: passing on the first " + std::to_string(kMaxListEntries));
    return;
  }
  list_buffer_.push_back(reply.entry);
  const int count = static_cast<int>(list_buffer_.size());
  if (count >= list_position_ + kListPiece) {
    events_->OnList(list_buffer_, list_position_, false);
    list_position_ = count - 1;
  }
}

void TIdIRC::Receive(const ListEndReply& reply, TIdIRCUser* user) {
  events_->OnSystem(user, reply.number, "LIST", reply.text);
  if (!events_->CollectsList()) return;
  events_->OnList(list_buffer_, list_position_, true);
  list_buffer_.clear();
  list_position_ = 0;
}

void TIdIRC::Receive(const ChannelModesReply& reply, TIdIRCUser*) {
  line_channel_ = reply.channel;
  events_->OnChannelMode(nullptr, Channels.Find(reply.channel), reply.channel, reply.modes);
  ApplyChannelModes(reply.channel, reply.changes);
}

void TIdIRC::Receive(const NoTopicReply& reply, TIdIRCUser*) {
  TIdIRCChannel* channel = Channels.Find(reply.channel);
  if (!channel) return;
  channel->SetTopic("");
  events_->OnNoTopic(channel, reply.text);
}

void TIdIRC::Receive(const TopicReply& reply, TIdIRCUser* user) {
  TIdIRCChannel* channel = Channels.Find(reply.channel);
  if (channel) channel->SetTopic(reply.topic);
  events_->OnTopic(user, channel, reply.channel, reply.topic);
}

void TIdIRC::Receive(const InvitingReply& reply, TIdIRCUser*) {
  events_->OnInviting(reply.nick, reply.channel);
}

void TIdIRC::Receive(const NamesReply& reply, TIdIRCUser* user) {
  events_->OnSystem(user, reply.number, "NAMES", reply.channel + " :" + reply.names);
  if (TIdIRCChannel* channel = Channels.Find(reply.channel)) {
    if (!channel->AddNames(reply.names, Users, Channels.MemberRoom(),
                           CapabilityOn("multi-prefix"))) {
      ReportMembersBound();
    }
  }
}

void TIdIRC::Receive(const LinksReply& reply, TIdIRCUser*) {
  events_->OnLinks(reply.mask, reply.server, reply.hops, reply.server_info);
}

void TIdIRC::Receive(const NamesEndReply& reply, TIdIRCUser* user) {
  events_->OnSystem(user, reply.number, "NAMES", reply.channel + " :" + reply.text);
  events_->OnNames(&Users, Channels.Find(reply.channel));
  AskChannelAccounts(reply.channel);
}

void TIdIRC::Receive(const MotdStartReply& reply, TIdIRCUser* user) {
  SetState(stConnected);
  events_->OnSystem(user, reply.number, "MOTD", reply.text);
}

void TIdIRC::Receive(const ErrorReply& reply, TIdIRCUser* user) {
  events_->OnError(user, line_.CommandText, reply.text);
  NoteJoinRefusal(reply);
  if (reply.nick_refused) NickFallback(reply.number);
}

void TIdIRC::Receive(const MonitorOnline& reply, TIdIRCUser* user) {
  RaiseUnknown(user, line_.LineContent);
  events_->OnMonitorOnline(reply.nicks);
}

void TIdIRC::Receive(const MonitorOffline& reply, TIdIRCUser* user) {
  RaiseUnknown(user, line_.LineContent);
  events_->OnMonitorOffline(reply.nicks);
}

void TIdIRC::Receive(const OtherReply& reply, TIdIRCUser* user) {
  if (TakeWhoxReply(reply.number)) return;
  TakeWhoisReply(reply.number);
  RaiseUnknown(user, reply.text);
}

void TIdIRC::NickFallback(int number) {
  if (state_ != stLoggingOn) return;
  const std::string refused = CurrentNick;
  // The alternative nick is tested first: when it is the configured nick
  // too, its refusal ends the attempt instead of repeating it for ever.
  if (CurrentNick == AltNick) {
    CurrentNick = events_->OnNicksInUse(CurrentNick);
  } else if (CurrentNick == nick_) {
    CurrentNick = AltNick;
  }
  events_->OnNickFallback(number, refused, CurrentNick);
  if (CurrentNick.empty()) {
    Disconnect(true);
  } else {
    SetNick(CurrentNick);
  }
}

}  // namespace zelmo
