#include "irc/session/irc_users.h"
#include "users/account_commands.h"
#include "users/scriptfunc.h"
#include "users/user_admin.h"

namespace zelmo {

void HandleUserinfo(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user) {
  if (parts.size() == 1) {
    if (!CheckRights(bot, kGeneralScope, 2, user, "Userinfo")) return;
    SendReply(bot, user.Nick(), UserListText(bot));
    return;
  }
  const std::string scope = parts.size() == 2 ? std::string(kGeneralScope) : parts[2];
  SendReply(bot, user.Nick(), UserInfoText(bot, parts[1], scope));
  if (scope != kGeneralScope) return;
  if (auto accounts = AccountInfoText(bot, parts[1])) SendReply(bot, user.Nick(), *accounts);
}

void HandleUseradd(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user) {
  SendReply(bot, user.Nick(), AddUserEntry(bot, parts[1]));
}

void HandleUserdel(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user) {
  SendReply(bot, user.Nick(), DeleteUserEntry(bot, parts[1]));
}

void HandleUsermod(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user) {
  SendReply(bot, user.Nick(), ModifyUser(bot, parts[1], parts[2], parts[3], user));
}

void HandleChanowner(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user) {
  SendReply(bot, user.Nick(), MakeChannelOwner(bot, parts[1], parts[2]));
}

void HandleGeneralowner(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user) {
  SendReplyColored(bot, user.Nick(), MakeGeneralOwner(bot, parts[1], parts[2]), Important);
}

}  // namespace zelmo
