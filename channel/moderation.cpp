#include "channel/moderation.h"

#include <algorithm>

#include "channel/chanmsg.h"
#include "irc/session/irc_client.h"
#include "shell/base/errors.h"
#include "users/scriptfunc.h"

namespace zelmo {

namespace {

// RFC 1459 allows three mode changes that take a parameter in one MODE line.
constexpr std::size_t kMaxModeTargets = 3;

struct ModeCommand {
  const char* label;
  int required_level;
  char sign;
  char letter;
};

constexpr ModeCommand kOp{"!Op", 2, '+', 'o'};
constexpr ModeCommand kDeop{"!Deop", 2, '-', 'o'};
constexpr ModeCommand kVoice{"!Voice", 1, '+', 'v'};
constexpr ModeCommand kDevoice{"!Devoice", 1, '-', 'v'};

void RunModeCommand(const ModeCommand& command, BotContext& bot,
                    const std::vector<std::string>& parts, const TIdIRCUser& requester,
                    const std::string& channel) {
  if (!CheckRights(bot, channel, command.required_level, requester, command.label)) return;
  if (parts.size() == 1) {
    SendMode(bot, channel, std::string{command.sign, command.letter, ' '} + requester.Nick());
  } else {
    SendMode(bot, channel, BuildModeChange(parts, command.sign, command.letter));
  }
}

}  // namespace

std::string BuildModeChange(const std::vector<std::string>& parts, char sign, char letter) {
  if (parts.size() < 2) throw Exception("A mode change needs at least one nick");
  const std::size_t targets = std::min(parts.size() - 1, kMaxModeTargets);
  std::string modes(1, sign);
  modes.append(targets, letter);
  for (std::size_t i = 1; i <= targets; ++i) modes.append(" ").append(parts[i]);
  return modes;
}

void ChannelOp(BotContext& bot, const std::vector<std::string>& parts, const TIdIRCUser& requester,
               const std::string& channel) {
  RunModeCommand(kOp, bot, parts, requester, channel);
}

void ChannelDeop(BotContext& bot, const std::vector<std::string>& parts,
                 const TIdIRCUser& requester, const std::string& channel) {
  RunModeCommand(kDeop, bot, parts, requester, channel);
}

void ChannelVoice(BotContext& bot, const std::vector<std::string>& parts,
                  const TIdIRCUser& requester, const std::string& channel) {
  RunModeCommand(kVoice, bot, parts, requester, channel);
}

void ChannelDevoice(BotContext& bot, const std::vector<std::string>& parts,
                    const TIdIRCUser& requester, const std::string& channel) {
  RunModeCommand(kDevoice, bot, parts, requester, channel);
}

void ChannelKick(BotContext& bot, const std::vector<std::string>& parts,
                 const TIdIRCUser& requester, const std::string& channel) {
  const std::string& nick = requester.Nick();
  if (!CheckParams(bot, parts, 2, nick, "!Kick")) return;
  if (!CheckRights(bot, channel, 1, requester, "!Kick")) return;
  const TIdIRCChannel* record = bot.Irc().Channels.Find(channel);
  if (record == nullptr) throw Exception("No channel record for " + channel);
  if (!record->HasUser(nick)) {
    SendReply(bot, nick, "!Kick - " + nick + " is not on " + channel);
    return;
  }
  // Only a one-word reason is passed on; anything longer is replaced by the
  // requester's nick rather than joined together.
  const std::string& reason = parts.size() == 3 ? parts[2] : nick;
  const std::string& target = parts[1];
  bot.Irc().Kick(channel, target, reason);
  bot.Display().DisplayLine("-> " + channel + ": Kicked " + target);
}

}  // namespace zelmo
