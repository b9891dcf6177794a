#pragma once

#include <string>
#include <vector>

#include "users/bot_context.h"

namespace zelmo {

class TIdIRCUser;

// Every "!" command handler takes the split message, the person who wrote it
// and the channel's name as the client's channel record holds it.
using ChannelHandler = void (*)(BotContext& bot, const std::vector<std::string>& parts,
                                const TIdIRCUser& requester, const std::string& channel);

}  // namespace zelmo
