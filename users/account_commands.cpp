#include "users/account_commands.h"

#include "irc/session/irc_users.h"
#include "shell/base/convert.h"
#include "users/account_login.h"
#include "users/account_names.h"
#include "users/scriptfunc.h"
#include "users/user_file.h"

namespace zelmo {

std::string SetUserAccounts(BotContext& bot, const TIdIRCUser& caller, const std::string& name,
                            const std::string& list) {
  UserFile users(bot);
  // Rights first: who may not set it learns nothing of the user file.
  const bool own = SameText(users.UserAt(caller.Address), name);
  if (!own && RightsLevel(bot, kGeneralScope, caller.Address) < 2) {
    return "Account: Error - Access rights too low";
  }
  if (UserFile::IsAddressMap(name) || !users.HasUser(name)) {
    return "Account: Error - User " + name + " not found";
  }
  if (list == "-") {
    users.Erase(name, kAccountKey);
    return "Account: " + name + " is no longer known by an account";
  }
  if (auto error = AccountListError(list)) return *error;
  users.Write(name, kAccountKey, list);
  return "Account: " + name + " is now known by " + list;
}

void HandleAccount(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user) {
  SendReply(bot, user.Nick(), SetUserAccounts(bot, user, parts[1], parts[2]));
}

std::optional<std::string> LoginWithOwnAccount(BotContext& bot, const TIdIRCUser& user,
                                               const std::string& name) {
  if (!bot.LogsInByAccount() || !user.Account) return std::nullopt;
  UserFile users(bot);
  const std::string listed = users.Read(name, kAccountKey);
  if (listed == kAbsent || !AccountListed(listed, *user.Account)) return std::nullopt;
  if (!UserFile::CanStoreAddress(user.Address)) {
    return "Login: Error - Address " + user.Address + " can't be stored";
  }
  RecordLogin(users, name, user.Address);
  users.Write(name, kLoginaccountKey, *user.Account);
  return "Login: Logged on";
}

bool AskAccountForLogin(BotContext& bot, const TIdIRCUser& user, const std::string& name) {
  if (!bot.LogsInByAccount() || user.Account) return false;
  if (UserFile(bot).Read(name, kAccountKey) == kAbsent) return false;
  return bot.AwaitAccount(user, name);
}

void AnswerLoginByAccount(BotContext& bot, const TIdIRCUser& user, const std::string& name) {
  if (auto reply = LoginWithOwnAccount(bot, user, name)) {
    SendReply(bot, user.Nick(), *reply);
    return;
  }
  CheckParams(bot, CommandParts{"login", name}, 3, user.Nick(), "Login");
}

std::optional<std::string> AccountInfoText(BotContext& bot, const std::string& name) {
  const std::string listed = UserFile(bot).Read(name, kAccountKey);
  if (listed == kAbsent) return std::nullopt;
  return "Account: " + listed;
}

}  // namespace zelmo
