#include "irc/irc_client.h"
#include "shell/base/convert.h"

// Channel and user mode changes from MODE lines and the 324 reply.

namespace zelmo {

void TIdIRC::ParseChannelModes(std::size_t first) {
  auto channel = Channels.FindShared(Slot(first));
  if (!channel) return;
  TIdIRCUser* setter = Users.Find(line_.SenderNick);
  ChannelModes flags = channel->Mode();
  std::size_t argument = first + 2;
  auto next_argument = [&]() -> std::string {
    std::string value = argument < kParamSlots ? Slot(argument) : std::string();
    ++argument;
    return value;
  };
  bool add = true;
  for (char letter : std::string(Slot(first + 1))) {
    switch (letter) {
      case '+':
      case '-':
        add = letter == '+';
        break;
      case 'b': {
        std::string mask = next_argument();
        auto& event = add ? OnBan : OnUnban;
        if (event) event(setter, channel.get(), mask);
        break;
      }
      case 'p':
      case 's':
      case 'i':
      case 't':
      case 'n':
      case 'm':
        flags = add ? (flags | ChannelModeFlag(letter)) : (flags & ~ChannelModeFlag(letter));
        break;
      case 'k':
        if (add) {
          flags |= ChannelModeFlag('k');
          channel->SetKey(next_argument());
        } else {
          flags &= ~ChannelModeFlag('k');
          channel->SetKey("");
        }
        break;
      case 'l':
        if (add) {
          flags |= ChannelModeFlag('l');
          channel->SetLimit(TryStrToInt(next_argument()).value_or(0));
        } else {
          flags &= ~ChannelModeFlag('l');
          channel->SetLimit(0);
        }
        break;
      case 'o':
      case 'v': {
        TIdIRCUser* target = Users.Find(next_argument());
        bool op = letter == 'o';
        auto& event = op ? (add ? OnOp : OnDeop) : (add ? OnVoice : OnDevoice);
        if (event) event(setter, channel.get(), target);
        if (op) {
          add ? channel->SetOp(target) : channel->ClearOp(target);
        } else {
          add ? channel->SetVoice(target) : channel->ClearVoice(target);
        }
        break;
      }
      default:
        break;
    }
  }
  if (flags != channel->Mode()) channel->SetMode(flags);
}

void TIdIRC::ParseUserModes(const std::string& modes) {
  TIdIRCUserModes flags = user_mode_;
  bool add = true;
  for (char letter : modes) {
    TIdIRCUserModes bit = 0;
    switch (letter) {
      case '+':
      case '-':
        add = letter == '+';
        continue;
      case 'i':
        bit = umInvisible;
        break;
      case 'o':
        bit = umOperator;
        break;
      case 's':
        bit = umServerNotices;
        break;
      case 'w':
        bit = umWallops;
        break;
      default:
        continue;
    }
    flags = add ? (flags | bit) : (flags & ~bit);
  }
  if (flags == user_mode_) return;
  user_mode_ = flags;
  if (OnUserModeChanged) OnUserModeChanged();
}

}  // namespace zelmo
