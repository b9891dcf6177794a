#include "users/login.h"

#include "irc/session/irc_users.h"
#include "shell/base/convert.h"
#include "shell/base/datetime.h"
#include "shell/base/display.h"
#include "users/account_commands.h"
#include "users/account_login.h"
#include "users/login_throttle.h"
#include "users/password_hash.h"
#include "users/scriptfunc.h"
#include "users/user_file.h"

namespace zelmo {

std::string LoginUser(BotContext& bot, const TIdIRCUser& user, const std::string& password,
                      const std::string& name) {
  LoginThrottle::Attempt attempt = bot.FailedLogins().Begin(user.Address);
  if (attempt.Blocked()) return "Login: Error - Too many failed logins, try again later";
  UserFile users(bot);
  const std::string stored = users.Read(name, kPasswordKey);
  if (stored == kAbsent || !PasswordMatches(stored, password)) {
    if (attempt.Failed()) {
      bot.Display().DisplayColoredLine(
          "Too many failed logins from " + std::string(LoginThrottle::HostOf(user.Address)),
          Dangerous);
    }
    return stored == kAbsent ? "Login: Error - User not found" : "Login: Wrong password";
  }
  attempt.Succeeded();
  // Checked before the first write, so that a login which cannot be recorded
  // changes nothing and says why.
  if (!UserFile::CanStoreAddress(user.Address)) {
    return "Login: Error - Address " + user.Address + " can't be stored";
  }
  RecordLogin(users, name, user.Address);
  // A login by password is no services account's to end.
  if (users.Read(name, kLoginaccountKey) != kAbsent) users.Erase(name, kLoginaccountKey);
  // A password stored before hashing was turned on is replaced by its hash.
  if (bot.StoresHashedPasswords() && !IsHashedPassword(stored)) {
    users.Write(name, kPasswordKey, HashPassword(password));
  }
  return "Login: Logged on";
}

std::string ChangePassword(BotContext& bot, const std::string& old_password,
                           const std::string& new_password, const TIdIRCUser& user) {
  UserFile users(bot);
  const std::string name = users.UserAt(user.Address);
  if (name == kAbsent) return "Newpass: Error - You have to log in before you can use newpass";
  if (!PasswordMatches(users.Read(name, kPasswordKey), old_password)) {
    return "Newpass: Error - " + old_password +
           " is not your old password. If you don't remember your old password, contact my "
           "owner";
  }
  users.Write(name, kPasswordKey, PasswordToStore(new_password, bot.StoresHashedPasswords()));
  return "Newpass: Your password is now set to " + new_password;
}

std::string ShowPassword(BotContext& bot, const std::string& name) {
  const UserFile users(bot);
  if (!users.HasUser(name)) return "Userpass: Error - User " + name + " not found";
  const std::string stored = users.Read(name, kPasswordKey);
  if (IsHashedPassword(stored)) return "Userpass: " + name + " - (hashed)";
  return "Userpass: " + name + " - \"" + stored + "\"";
}

void HandleLogin(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user) {
  if (parts.size() == 2) {
    if (!AskAccountForLogin(bot, user, parts[1])) AnswerLoginByAccount(bot, user, parts[1]);
    return;
  }
  if (!CheckParams(bot, parts, 3, user.Nick(), "Login")) return;
  SendReply(bot, user.Nick(), LoginUser(bot, user, parts[2], parts[1]));
}

void HandleNewpass(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user) {
  SendReply(bot, user.Nick(), ChangePassword(bot, parts[1], parts[2], user));
}

void HandleUserpass(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user) {
  SendReply(bot, user.Nick(), ShowPassword(bot, parts[1]));
}

}  // namespace zelmo
