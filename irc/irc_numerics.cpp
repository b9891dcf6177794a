#include <variant>

#include "irc/irc_client.h"
#include "irc/numeric_replies.h"
#include "irc/peer_bounds.h"

// What numeric server replies do to the client: the replies are decoded in
// numeric_replies.cpp, and each kind is carried out here.

namespace zelmo {

// One reply's records, state and events.
class TIdIRC::NumericEffects {
 public:
  NumericEffects(TIdIRC& irc, int number, TIdIRCUser* user)
      : irc_(irc), number_(number), user_(user) {}

  void operator()(const ShownReply& reply) const { Raise(reply.word, reply.text); }

  void operator()(const WelcomeReply& reply) const {
    irc_.ServerName = reply.server;
    irc_.SetState(stConnected);
    Raise("WELCOME", reply.text);
  }

  void operator()(const FeaturesReply& reply) const {
    if (!irc_.Features.Take(reply.text)) {
      irc_.ReportBound(irc_.bound_notes_.features,
                       "Too many server features: ignoring new 005 tokens beyond " +
                           std::to_string(kMaxServerFeatures));
    }
    operator()(OtherReply{reply.text});
  }

  // The away text goes with the record of the nick it is about, if any.
  void operator()(const AwayReply& reply) const {
    TIdIRCUser* away = irc_.Users.Find(reply.nick);
    if (away) away->Reason = reply.text;
    if (irc_.OnAway) irc_.OnAway(away);
  }

  void operator()(const OwnAwayReply& reply) const {
    irc_.Away = reply.away;
    auto& event = reply.away ? irc_.OnNowAway : irc_.OnUnAway;
    if (event) event(reply.text);
  }

  void operator()(const ListStartReply&) const {
    if (irc_.OnList) {
      irc_.list_buffer_.clear();
      irc_.list_position_ = 0;
      irc_.OnList(irc_.list_buffer_, 0, false);
    }
    Raise("LIST", "Start of LIST");
  }

  // The list goes to its handler in pieces of 40 entries.
  void operator()(const ListEntryReply& reply) const {
    if (!irc_.OnList) return;
    std::vector<std::string>& buffer = irc_.list_buffer_;
    if (buffer.size() >= kMaxListEntries) {
      irc_.ReportBound(irc_.bound_notes_.list, "Too many LIST entries: passing on the first " +
                                                   std::to_string(kMaxListEntries));
      return;
    }
    buffer.push_back(reply.entry);
    const int count = static_cast<int>(buffer.size());
    if (count >= irc_.list_position_ + 40) {
      irc_.OnList(buffer, irc_.list_position_, false);
      irc_.list_position_ = count - 1;
    }
  }

  void operator()(const ListEndReply& reply) const {
    Raise("LIST", reply.text);
    if (!irc_.OnList) return;
    irc_.OnList(irc_.list_buffer_, irc_.list_position_, true);
    irc_.list_buffer_.clear();
    irc_.list_position_ = 0;
  }

  void operator()(const ChannelModesReply& reply) const {
    if (irc_.OnChannelMode) {
      irc_.OnChannelMode(nullptr, irc_.Channels.Find(reply.channel), reply.channel, reply.modes);
    }
    irc_.ApplyChannelModes(reply.channel, reply.changes);
  }

  void operator()(const NoTopicReply& reply) const {
    TIdIRCChannel* channel = irc_.Channels.Find(reply.channel);
    if (!channel) return;
    channel->SetTopic("");
    if (irc_.OnNoTopic) irc_.OnNoTopic(channel, reply.text);
  }

  void operator()(const TopicReply& reply) const {
    TIdIRCChannel* channel = irc_.Channels.Find(reply.channel);
    if (channel) channel->SetTopic(reply.topic);
    if (irc_.OnTopic) irc_.OnTopic(user_, channel, reply.channel, reply.topic);
  }

  void operator()(const InvitingReply& reply) const {
    if (irc_.OnInviting) irc_.OnInviting(reply.nick, reply.channel);
  }

  void operator()(const NamesReply& reply) const {
    Raise("NAMES", reply.channel + " :" + reply.names);
    if (TIdIRCChannel* channel = irc_.Channels.Find(reply.channel)) {
      const std::size_t members = irc_.Channels.MemberCount();
      const std::size_t room = members < kMaxMembers ? kMaxMembers - members : 0;
      if (!channel->AddNames(reply.names, irc_.Users, room)) irc_.ReportMembersBound();
    }
  }

  void operator()(const LinksReply& reply) const {
    if (irc_.OnLinks) irc_.OnLinks(reply.mask, reply.server, reply.hops, reply.server_info);
  }

  void operator()(const NamesEndReply& reply) const {
    Raise("NAMES", reply.channel + " :" + reply.text);
    if (irc_.OnNames) irc_.OnNames(&irc_.Users, irc_.Channels.Find(reply.channel));
  }

  void operator()(const MotdStartReply& reply) const {
    irc_.SetState(stConnected);
    Raise("MOTD", reply.text);
  }

  void operator()(const ErrorReply& reply) const {
    if (irc_.OnError) irc_.OnError(user_, irc_.line_.CommandText, reply.text);
    irc_.NoteJoinRefusal(number_);
    if (reply.nick_refused) irc_.NickFallback(number_);
  }

  void operator()(const OtherReply& reply) const {
    if (irc_.OnUnknownCommand) irc_.OnUnknownCommand(user_, irc_.line_.CommandText, reply.text);
  }

 private:
  void Raise(const std::string& word, const std::string& text) const {
    irc_.RaiseSystem(user_, number_, word, text);
  }

  TIdIRC& irc_;
  int number_;
  TIdIRCUser* user_;
};

void TIdIRC::RaiseSystem(TIdIRCUser* user, int number, const std::string& word,
                         const std::string& content) {
  if (OnSystem) OnSystem(user, number, word, content);
}

void TIdIRC::HandleNumeric(int number, TIdIRCUser* user) {
  std::visit(NumericEffects(*this, number, user), DecodeNumeric(number, line_));
}

void TIdIRC::NickFallback(int number) {
  if (state_ != stLoggingOn) return;
  const std::string refused = CurrentNick;
  // The alternative nick is tested first: when it is the configured nick
  // too, its refusal ends the attempt instead of repeating it for ever.
  if (CurrentNick == AltNick) {
    if (OnNicksInUse) {
      std::string nick = CurrentNick;
      OnNicksInUse(nick);
      CurrentNick = nick;
    } else {
      CurrentNick.clear();
    }
  } else if (CurrentNick == nick_) {
    CurrentNick = AltNick;
  }
  if (OnNickFallback) OnNickFallback(number, refused, CurrentNick);
  if (CurrentNick.empty()) {
    Disconnect(true);
  } else {
    SetNick(CurrentNick);
  }
}

}  // namespace zelmo
