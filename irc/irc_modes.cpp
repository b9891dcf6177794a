#include "irc/irc_client.h"
#include "irc/mode_changes.h"

// MODE lines and the 324 reply: their events, and the mode changes read from
// them applied to the channel records and the own user modes.

namespace zelmo {

// :op!o@host MODE #room +o-v alice bob   (a channel: slot 2 is the channel,
// slot 3 the mode text, its arguments from slot 4 on)
// :ZelmoBot MODE ZelmoBot :+iw            (the own nick: slot 3 the modes)
void TIdIRC::HandleMode(TIdIRCUser*) {
  if (IsChannelName(Slot(2))) {
    auto channel = Channels.FindShared(Slot(2));
    if (!channel) return;
    if (OnChannelMode) {
      OnChannelMode(Users.Find(line_.SenderNick), channel.get(), Slot(2), JoinSlots(3));
    }
    ApplyChannelModes(Slot(2), ParseChannelModes(Slot(3), SlotsFrom(4)));
  } else if (IsMe(Slot(2))) {
    if (OnUserMode) OnUserMode(Slot(3));
    TIdIRCUserModes modes = ParseUserModes(user_mode_, Slot(3));
    if (modes == user_mode_) return;
    user_mode_ = modes;
    if (OnUserModeChanged) OnUserModeChanged();
  }
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
    case Kind::Ban: {
      auto& event = change.add ? OnBan : OnUnban;
      if (event) event(setter, &channel, change.argument);
      break;
    }
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
  const bool op = change.kind == ChannelModeChange::Kind::Op;
  auto& event = op ? (change.add ? OnOp : OnDeop) : (change.add ? OnVoice : OnDevoice);
  if (event) event(setter, &channel, target);
  if (op) {
    change.add ? channel.SetOp(target) : channel.ClearOp(target);
  } else {
    change.add ? channel.SetVoice(target) : channel.ClearVoice(target);
  }
}

}  // namespace zelmo
