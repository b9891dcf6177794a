#pragma once

#include <optional>
#include <string>

#include "users/private_command.h"

namespace zelmo {

// account;<user>;<account[,account...]> sets the services accounts a user
// is known by, account;<user>;- removes them: by a general operator (level
// 2), or by the user itself while logged in. Returns the reply.
std::string SetUserAccounts(BotContext& bot, const TIdIRCUser& caller, const std::string& name,
                            const std::string& list);
void HandleAccount(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user);

// login;<user> without a password: "Login: Logged on" when logins by
// account are on and the sender's account is one of the user's; none
// otherwise (the password login's texts apply).
std::optional<std::string> LoginWithOwnAccount(BotContext& bot, const TIdIRCUser& user,
                                               const std::string& name);

// login;<user> from a person whose account is not known yet, for a user
// known by accounts: the server is asked for it (BotContext::AwaitAccount)
// and the login answered once it is told. False: nothing was asked.
bool AskAccountForLogin(BotContext& bot, const TIdIRCUser& user, const std::string& name);

// The answer to login;<user>: "Login: Logged on" by the sender's account,
// or the text of a login without its password.
void AnswerLoginByAccount(BotContext& bot, const TIdIRCUser& user, const std::string& name);

// The "Account: <list>" line of userinfo; none when the user has none.
std::optional<std::string> AccountInfoText(BotContext& bot, const std::string& name);

}  // namespace zelmo
