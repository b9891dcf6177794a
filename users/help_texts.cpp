#include <array>
#include <utility>

#include "users/privmsg.h"

namespace zelmo {

namespace {

using HelpEntry = std::pair<std::string_view, std::string_view>;

constexpr std::array<HelpEntry, 36> kHelpTexts{{
    {"COMMANDSPRIV",
     "Listed privmsg commands: login join part say nick userinfo useradd userdel usermod userpass "
     "newpass chanowner generalowner reload ban unban bans quiet unquiet chanset account"},
    {"COMMANDSCHAN",
     "Listed chanmsg commands: !op !deop !voice !devoice !kick !tv !word !ban !kickban !unban "
     "!bans !quiet !unquiet"},
    {"COMMANDSHELP", "Type \"help;<command>\" to see help for the command"},
    {"LOGIN",
     "Login: Use as privmsg. \"login;<nick>;<pass>\". You have to login each time your hostmask "
     "changes."},
    {"JOIN",
     "Join: Use as privmsg. \"join;<channel>;[key]\". You have to be my owner to use join."},
    {"PART",
     "Part: Use as privmsg. \"part;<channel>;[reason]\". You have to be my owner to use part."},
    {"SAY", "Say: Use as privmsg. \"say;<channel>;<say>\". You have to be my operator to use say."},
    {"NICK", "Nick: Use as privmsg. \"nick;<newnick>\". You have to be my owner to use nick."},
    {"USERINFO",
     "Userinfo: Use as privmsg. \"userinfo;[user];[channel]\". You have to be my operator to use "
     "userinfo."},
    {"USERADD",
     "Useradd: Use as privmsg. \"useradd;<user>\". You have to be my operator to use useradd."},
    {"USERDEL",
     "Userdel: Use as privmsg. \"userdel;<user>\". You have to be my owner to use userdel."},
    {"USERMOD", "Usermod: Use as privmsg. \"usermod;<user>;<channel>;<rights>\"."},
    {"USERPASS",
     "Userpass: Use as privmsg. \"userpass;<user>\". You have to be my owner to use userpass."},
    {"NEWPASS", "Newpass: Use as privmsg. \"newpass;<oldpass>;<newpass>\"."},
    {"CHANOWNER",
     "Chanowner: Use as privmsg. \"chanowner;<channel>;<user>\". You have to be my owner to use "
     "chanowner."},
    {"GENERALOWNER",
     "Generalowner: Use as privmsg. \"generalowner;<user>;<security password>\". You have to be "
     "my owner to use generalowner."},
    {"RELOAD",
     "Reload: Use as privmsg. \"reload;<security password>\". You have to be my owner to use "
     "reload."},
    {"BAN",
     "Ban: Use as privmsg. \"ban;<channel>;<user|mask>;[duration];[reason]\". You have to be the "
     "channel's owner to use ban."},
    {"UNBAN",
     "Unban: Use as privmsg. \"unban;<channel>;<mask|number>\". You have to be the channel's "
     "owner to use unban."},
    {"BANS",
     "Bans: Use as privmsg. \"bans;<channel>\". You have to be the channel's owner to use bans."},
    {"QUIET",
     "Quiet: Use as privmsg. \"quiet;<channel>;<user|mask>;[duration];[reason]\". Like ban, but "
     "the user stays in the channel and cannot speak. You have to be the channel's owner to use "
     "quiet."},
    {"UNQUIET",
     "Unquiet: Use as privmsg. \"unquiet;<channel>;<mask|number>\". You have to be the channel's "
     "owner to use unquiet."},
    {"CHANSET",
     "Chanset: Use as privmsg. \"chanset;<channel>;[key];[value]\". Without a key it lists the "
     "channel's settings. You have to be the channel's owner to use chanset."},
    {"ACCOUNT",
     "Account: Use as privmsg. \"account;<user>;<account[,account]>\" or \"account;<user>;-\". "
     "You have to be my owner, or the user logged in, to use account."},
    {"!OP", "!Op: Use as chanmsg. \"!op [user]\". If no user selected, then it's you."},
    {"!DEOP", "!Deop: Use as chanmsg. \"!deop [user]\". If no user selected, then it's you."},
    {"!VOICE", "!Voice: Use as chanmsg. \"!voice [user]\". If no user selected, then it's you."},
    {"!DEVOICE",
     "!Devoice: Use as chanmsg. \"!devoice [user]\". If no user selected, then it's you."},
    {"!TV", "!TV: Use as chanmsg. \"!tv <channel>\"."},
    {"!WORD", "!Word: Use as chanmsg. \"!word <word>\". Dictionary Finnish-English-Finnish"},
    {"!BAN",
     "!Ban: Use as chanmsg. \"!ban <user|mask> [duration] [reason]\". Duration like 45s, 30m, 2h, "
     "7d, 1w; 0 is permanent. You have to be the channel's operator to use !ban."},
    {"!KICKBAN",
     "!Kickban: Use as chanmsg. \"!kickban <user> [duration] [reason]\". Bans, then kicks. You "
     "have to be the channel's operator to use !kickban."},
    {"!UNBAN",
     "!Unban: Use as chanmsg. \"!unban <mask|number>\". The number is the one !bans shows. You "
     "have to be the channel's operator to use !unban."},
    {"!BANS",
     "!Bans: Use as chanmsg. \"!bans\". The bans I keep for the channel. You have to be the "
     "channel's operator to use !bans."},
    {"!QUIET",
     "!Quiet: Use as chanmsg. \"!quiet <user|mask> [duration] [reason]\". Like !ban, but the user "
     "stays and cannot speak, where the server offers it. You have to be the channel's operator "
     "to use !quiet."},
    {"!UNQUIET",
     "!Unquiet: Use as chanmsg. \"!unquiet <mask|number>\". The number is the one !bans shows. "
     "You have to be the channel's operator to use !unquiet."},
}};

}  // namespace

std::optional<std::string> FindHelpText(std::string_view key) {
  for (const auto& [name, text] : kHelpTexts) {
    if (name == key) return std::string(text);
  }
  return std::nullopt;
}

std::string HelpText(std::string_view key) {
  return FindHelpText(key).value_or(std::string(key) + ": Unknown command.");
}

}  // namespace zelmo
