#pragma once

#include <string>
#include <vector>

#include "users/bot_context.h"

namespace zelmo {

class TIdIRCUser;

// A private command split at ";": the first piece is the command word.
using CommandParts = std::vector<std::string>;

// A command handler, called once the dispatcher's checks have passed.
using PrivateHandler = void (*)(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user);

}  // namespace zelmo
