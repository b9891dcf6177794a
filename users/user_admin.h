#pragma once

#include <string>

#include "users/private_command.h"

namespace zelmo {

// The user administration operations: each opens the user file and returns
// the reply for the caller.
std::string UserInfoText(BotContext& bot, const std::string& name, const std::string& scope);
std::string UserListText(BotContext& bot);
// Also tells the new user, by name as a nick, how to log in.
std::string AddUserEntry(BotContext& bot, const std::string& name);
std::string DeleteUserEntry(BotContext& bot, const std::string& name);
std::string ModifyUser(BotContext& bot, const std::string& name, const std::string& scope,
                       const std::string& rights, const TIdIRCUser& caller);
std::string MakeChannelOwner(BotContext& bot, const std::string& channel, const std::string& name);
std::string MakeGeneralOwner(BotContext& bot, const std::string& name,
                             const std::string& security_password);

// userinfo;[user];[channel], useradd;<user>, userdel;<user>,
// usermod;<user>;<channel>;<rights>, chanowner;<channel>;<user>,
// generalowner;<user>;<security password>
void HandleUserinfo(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user);
void HandleUseradd(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user);
void HandleUserdel(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user);
void HandleUsermod(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user);
void HandleChanowner(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user);
void HandleGeneralowner(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user);

}  // namespace zelmo
