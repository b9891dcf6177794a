#pragma once

#include <string>

#include "users/private_command.h"

namespace zelmo {

// The password operations: each opens the user file and returns the reply.
std::string LoginUser(BotContext& bot, const TIdIRCUser& user, const std::string& password,
                      const std::string& name);
std::string ChangePassword(BotContext& bot, const std::string& old_password,
                           const std::string& new_password, const TIdIRCUser& user);
std::string ShowPassword(BotContext& bot, const std::string& name);

// login;<nick>;<pass>, newpass;<oldpass>;<newpass>, userpass;<user>
void HandleLogin(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user);
void HandleNewpass(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user);
void HandleUserpass(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user);

}  // namespace zelmo
