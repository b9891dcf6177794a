#include "channel/chanmsg.h"

#include <array>
#include <string_view>

#include "channel/ban_commands.h"
#include "channel/channel_command.h"
#include "channel/dictionary.h"
#include "channel/moderation.h"
#include "channel/tv_listing.h"
#include "irc/session/irc_users.h"
#include "shell/base/convert.h"
#include "shell/base/display.h"
#include "users/split_params.h"

namespace zelmo {

namespace {

struct ChannelCommand {
  std::string_view word;  // upper-cased, "!" included
  ChannelHandler handler;
};

constexpr std::array<ChannelCommand, 13> kChannelCommands{{
    {"!OP", ChannelOp},
    {"!DEOP", ChannelDeop},
    {"!VOICE", ChannelVoice},
    {"!DEVOICE", ChannelDevoice},
    {"!KICK", ChannelKick},
    {"!TV", ChannelTv},
    {"!WORD", ChannelWord},
    {"!BAN", ChannelBan},
    {"!KICKBAN", ChannelKickBan},
    {"!UNBAN", ChannelUnban},
    {"!BANS", ChannelBans},
    {"!QUIET", ChannelQuiet},
    {"!UNQUIET", ChannelUnquiet},
}};

}  // namespace

void DispatchChannel(BotContext& bot, const std::string& text, const std::string& channel,
                     const TIdIRCUser& requester) {
  const std::vector<std::string> parts = SplitParams(text, " ");
  bot.Display().DisplayLine(UpperCase(channel) + "/" + requester.Nick() + ": " + text);
  const std::string word = UpperCase(parts.front());
  for (const ChannelCommand& command : kChannelCommands) {
    if (command.word == word) {
      command.handler(bot, parts, requester, channel);
      return;
    }
  }
  bot.RunScriptChannel(parts, requester, channel);
}

std::vector<std::string> ChannelCommandWords() {
  std::vector<std::string> words;
  for (const ChannelCommand& command : kChannelCommands) words.emplace_back(command.word);
  return words;
}

}  // namespace zelmo
