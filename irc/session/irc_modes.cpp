#include "irc/protocol/incoming_messages.h"
#include "irc/protocol/mode_changes.h"
#include "irc/session/irc_client.h"

// MODE lines and the 324 reply: their events, and the mode changes read from
// them applied to the channel records and the own user modes.

namespace zelmo {

void TIdIRC::Receive(const incoming::Mode& message, TIdIRCUser*) {
  line_channel_ = message.channel;
  auto channel = Channels.FindShared(message.channel);
  if (!channel) return;
  events_->OnChannelMode(Users.Find(line_.SenderNick), channel.get(), message.channel,
                         message.modes);
  ApplyChannelModes(message.channel, message.changes);
}

// Only the bot's own modes are kept.
void TIdIRC::Receive(const incoming::UserMode& message, TIdIRCUser*) {
  if (!IsMe(message.nick)) return;
  events_->OnUserMode(message.modes);
  TIdIRCUserModes modes = ParseUserModes(user_mode_, message.modes);
  if (modes == user_mode_) return;
  user_mode_ = modes;
  events_->OnUserModeChanged();
}

// Events are raised letter by letter; the channel's mode flags change once,
// after the last letter, and only when they differ.
void TIdIRC::ApplyChannelModes(const std::string& channel_name,
                               const std::vector<ChannelModeChange>& changes) {
  auto channel = Channels.FindShared(channel_name);
  if (!channel) return;
  TIdIRCUser* setter = Users.Find(line_.SenderNick);
  ChannelModes flags = channel->Mode();
  for (const ChannelModeChange& change : changes) {
    flags = change.add ? (flags | change.flag) : (flags & ~change.flag);
    ApplyChannelModeChange(*channel, setter, change);
  }
  if (flags != channel->Mode()) channel->SetMode(flags);
}

void TIdIRC::ApplyChannelModeChange(TIdIRCChannel& channel, TIdIRCUser* setter,
                                    const ChannelModeChange& change) {
  using Kind = ChannelModeChange::Kind;
  switch (change.kind) {
    case Kind::Ban:
      if (change.add) {
        events_->OnBan(setter, &channel, change.argument);
      } else {
        events_->OnUnban(setter, &channel, change.argument);
      }
      break;
    case Kind::Key:
      channel.SetKey(change.argument);
      break;
    case Kind::Limit:
      channel.SetLimit(change.limit);
      break;
    case Kind::Op:
    case Kind::Voice:
      ApplyMemberMode(channel, setter, change);
      break;
    case Kind::Flag:
      break;
  }
}

// The event comes first, then the member's mark; a nick without a record
// gives the event no target and changes no mark.
void TIdIRC::ApplyMemberMode(TIdIRCChannel& channel, TIdIRCUser* setter,
                             const ChannelModeChange& change) {
  TIdIRCUser* target = Users.Find(change.argument);
  if (change.kind == ChannelModeChange::Kind::Op) {
    if (change.add) {
      events_->OnOp(setter, &channel, target);
      channel.SetOp(target);
    } else {
      events_->OnDeop(setter, &channel, target);
      channel.ClearOp(target);
    }
  } else if (change.add) {
    events_->OnVoice(setter, &channel, target);
    channel.SetVoice(target);
  } else {
    events_->OnDevoice(setter, &channel, target);
    channel.ClearVoice(target);
  }
}

}  // namespace zelmo
