#pragma once

#include "users/private_command.h"

namespace zelmo {

// join;<channel>;[key], part;<channel>;[reason], say;<target>;<text>,
// nick;<newnick>, reload;<security password>
void HandleJoin(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user);
void HandlePart(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user);
void HandleSay(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user);
void HandleNick(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user);
void HandleReload(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user);

}  // namespace zelmo
