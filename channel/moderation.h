#pragma once

#include <string>
#include <vector>

#include "users/bot_context.h"

namespace zelmo {

class TIdIRCUser;

// The moderation commands. Refusals go to the requester's nick; the mode
// changes and the kick go to the channel.

// Op and deop need channel level 2, voice and devoice level 1. Alone they
// change the requester's own mode; with nicks, up to three of them.
void ChannelOp(BotContext& bot, const std::vector<std::string>& parts, const TIdIRCUser& requester,
               const std::string& channel);
void ChannelDeop(BotContext& bot, const std::vector<std::string>& parts,
                 const TIdIRCUser& requester, const std::string& channel);
void ChannelVoice(BotContext& bot, const std::vector<std::string>& parts,
                  const TIdIRCUser& requester, const std::string& channel);
void ChannelDevoice(BotContext& bot, const std::vector<std::string>& parts,
                    const TIdIRCUser& requester, const std::string& channel);

// Kicks the nick after the command word for a requester of channel level 1
// who is on the channel. The reason is the word after the nick when it is the
// only one, else the requester's nick. A channel without a record raises.
void ChannelKick(BotContext& bot, const std::vector<std::string>& parts,
                 const TIdIRCUser& requester, const std::string& channel);

}  // namespace zelmo
