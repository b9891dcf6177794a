#include "users/user_admin.h"

#include <optional>

#include "irc/session/irc_users.h"
#include "shell/base/convert.h"
#include "shell/base/errors.h"
#include "users/password_hash.h"
#include "users/rights.h"
#include "users/scriptfunc.h"
#include "users/user_file.h"

namespace zelmo {

namespace {

bool IsGeneral(std::string_view scope) {
  return UpperCase(scope) == kGeneralScope;
}

bool IsListedUser(std::string_view section) {
  return !section.starts_with('#') && UpperCase(section) != UpperCase(kAddressSection);
}

// Whether the caller may set the level in the scope: their own level there
// must reach it. The rights text is judged by the level it will act as once
// stored, its low byte, so that -252 counts as the 4 it becomes. A stored
// level that is no integer counts as a bad argument.
enum class Grant { kAllowed, kTooLow, kNotInteger };

Grant CheckGrant(BotContext& bot, const std::string& scope, const std::string& rights,
                 const TIdIRCUser& caller, std::int8_t& level) {
  const std::optional<std::int32_t> parsed = TryStrToInt(rights);
  if (!parsed) return Grant::kNotInteger;
  level = AsRightsLevel(*parsed);
  try {
    return RightsLevel(bot, scope, caller.Address) < level ? Grant::kTooLow : Grant::kAllowed;
  } catch (const EConvertError&) {
    return Grant::kNotInteger;
  }
}

}  // namespace

std::string UserInfoText(BotContext& bot, const std::string& name, const std::string& scope) {
  const UserFile users(bot);
  if (users.Read(name, kPasswordKey) == kAbsent) {
    return "Userinfo: Error - Couldn't look up user info";
  }
  // Only the exact word selects the general form; "general" shows the same
  // key with the channel names.
  if (scope == kGeneralScope) {
    return name + ": Login time(" + users.Read(name, kLogintimeKey) + ") General rights(" +
           RightsName("G" + users.Read(name, RightsKey(kGeneralScope))) + ")";
  }
  return name + " rights for channel " + scope + ": " +
         RightsName(users.Read(name, RightsKey(scope)));
}

std::string UserListText(BotContext& bot) {
  const std::vector<std::string> sections = UserFile(bot).SectionNames();
  if (sections.empty()) return "Userinfo: No users";
  std::string text = "Userinfo: Users:";
  for (const std::string& section : sections) {
    if (IsListedUser(section)) text += " " + section;
  }
  return text;
}

std::string AddUserEntry(BotContext& bot, const std::string& name) {
  // Before the look-up: "Address" names the address map, which exists while
  // anyone is logged in, and is no user however the file stands.
  if (!UserFile::CanStoreUser(name)) {
    return "Useradd: Error - User name " + name + " can't be stored";
  }
  UserFile users(bot);
  if (users.HasUser(name)) return "Useradd: Error - User " + name + " allready added";
  users.Write(name, kPasswordKey, PasswordToStore(name, bot.StoresHashedPasswords()));
  users.Write(name, RightsKey("General"), "0");
  SendReply(bot, name,
            "You have been added to my userfile. Type \"login;<nick>;<password>\" to log in. You "
            "password is " +
                name + ".");
  return "Useradd: User added";
}

std::string DeleteUserEntry(BotContext& bot, const std::string& name) {
  UserFile users(bot);
  // Erasing the address map would log everyone out.
  if (UserFile::IsAddressMap(name) || !users.HasUser(name)) {
    return "Userdel: Error - User " + name + " not found";
  }
  // Even when another login has taken the address over since: that login ends.
  users.UnmapAddress(users.Read(name, kHostmaskKey));
  users.EraseUser(name);
  return "Userdel: User deleted";
}

std::string ModifyUser(BotContext& bot, const std::string& name, const std::string& scope,
                       const std::string& rights, const TIdIRCUser& caller) {
  UserFile users(bot);
  if (!users.HasUser(name)) return "Usermod: Error - User " + name + " not found";
  if (RightsLevel(bot, scope, caller.Address) < 2 &&
      RightsLevel(bot, "General", caller.Address) < 2) {
    return "Usermod: Error - Access rights too low";
  }
  std::int8_t level = 0;
  switch (CheckGrant(bot, scope, rights, caller, level)) {
    case Grant::kNotInteger:
      return "Usermod: Error - <rights> has to be an integer value";
    case Grant::kTooLow:
      return "Usermod: Error - Access rights too low";
    case Grant::kAllowed:
      break;
  }
  if (IsGeneral(scope) && level >= 2) {
    return "Usermod: Error - can't add general owner with usermod. Use \"generalowner\" instead.";
  }
  if (!UserFile::CanStoreScope(scope))
    return "Usermod: Error - Channel " + scope + " can't be stored";
  // Scope and rights go in as typed: "general" is the key Rights_General.
  users.Write(name, RightsKey(scope), rights);
  return "Usermod: User modified(" + scope + "-" +
         RightsName((IsGeneral(scope) ? "G" : "") + rights) + ")";
}

std::string MakeChannelOwner(BotContext& bot, const std::string& channel, const std::string& name) {
  UserFile users(bot);
  if (!users.HasUser(name)) return "Chanowner: Error - No such user in my userfile";
  if (!UserFile::CanStoreScope(channel)) {
    return "Chanowner: Error - Channel " + channel + " can't be stored";
  }
  users.Write(name, RightsKey(channel), "4");
  return "Chanowner: Added owner for channel " + channel;
}

std::string MakeGeneralOwner(BotContext& bot, const std::string& name,
                             const std::string& security_password) {
  UserFile users(bot);
  if (!users.HasUser(name)) return "Generalowner: Error - No such user in my userfile";
  if (!IsSecurityPassword(bot, security_password)) {
    return "Generalowner: Error - Wrong security password";
  }
  users.Write(name, RightsKey("General"), "2");
  return "Generalowner: Added general owner " + name;
}

}  // namespace zelmo
