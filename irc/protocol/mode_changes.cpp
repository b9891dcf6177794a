#include "irc/protocol/mode_changes.h"

#include "shell/base/convert.h"

namespace zelmo {

ChannelModes ChannelModeFlag(char letter) {
  switch (letter) {
    case 'p':
      return cmPrivate;
    case 's':
      return cmSecret;
    case 'i':
      return cmInviteOnly;
    case 't':
      return cmOpsTopic;
    case 'n':
      return cmNoOutside;
    case 'm':
      return cmModerated;
    case 'l':
      return cmUserLimit;
    case 'k':
      return cmKey;
    default:
      return 0;
  }
}

namespace {

using Kind = ChannelModeChange::Kind;

// One letter's change, taking its argument from `next` when it has one.
template <typename NextArgument>
ChannelModeChange ReadLetter(char letter, bool add, NextArgument&& next) {
  ChannelModeChange change;
  change.add = add;
  change.flag = ChannelModeFlag(letter);
  switch (letter) {
    case 'b':
      change.kind = Kind::Ban;
      change.argument = next();
      break;
    case 'o':
    case 'v':
      change.kind = letter == 'o' ? Kind::Op : Kind::Voice;
      change.argument = next();
      break;
    case 'k':
      change.kind = Kind::Key;
      if (add) change.argument = next();
      break;
    case 'l':
      change.kind = Kind::Limit;
      if (add) change.limit = TryStrToInt(next()).value_or(0);
      break;
    default:
      change.kind = Kind::Flag;
      break;
  }
  return change;
}

bool IsKnownLetter(char letter) {
  return ChannelModeFlag(letter) != 0 || letter == 'b' || letter == 'o' || letter == 'v';
}

}  // namespace

std::vector<ChannelModeChange> ParseChannelModes(std::string_view letters,
                                                 std::span<const std::string> arguments) {
  std::vector<ChannelModeChange> changes;
  std::size_t argument = 0;
  auto next = [&]() -> std::string {
    std::string value = argument < arguments.size() ? arguments[argument] : std::string();
    ++argument;
    return value;
  };
  bool add = true;
  for (char letter : letters) {
    if (letter == '+' || letter == '-') {
      add = letter == '+';
    } else if (IsKnownLetter(letter)) {
      changes.push_back(ReadLetter(letter, add, next));
    }
  }
  return changes;
}

TIdIRCUserModes ParseUserModes(TIdIRCUserModes modes, std::string_view letters) {
  bool add = true;
  for (char letter : letters) {
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
    modes = add ? (modes | bit) : (modes & ~bit);
  }
  return modes;
}

}  // namespace zelmo
