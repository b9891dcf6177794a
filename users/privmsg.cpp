#include "users/privmsg.h"

#include <array>
#include <optional>

#include "irc/session/irc_client.h"
#include "irc/session/irc_users.h"
#include "shell/base/convert.h"
#include "users/account_commands.h"
#include "users/bot_control.h"
#include "users/login.h"
#include "users/scriptfunc.h"
#include "users/split_params.h"
#include "users/user_admin.h"

namespace zelmo {

namespace {

// The pause between the first and the second line of the plain help, kept
// by the send queue: the bot goes on meanwhile.
constexpr int kHelpPauseMs = 1500;

// The bot's own texts win over a script's; the scripts' commands are
// listed only when there are any, so a bot without them answers as ever.
void HandleHelp(BotContext& bot, const CommandParts& parts, const TIdIRCUser& user) {
  const std::string& nick = user.Nick();
  if (parts.size() >= 2) {
    const std::string key = UpperCase(parts[1]);
    std::optional<std::string> text = FindHelpText(key);
    if (!text) text = bot.ScriptHelp(key);
    SendReply(bot, nick, text.value_or(HelpText(key)));
    return;
  }
  SendReply(bot, nick, HelpText("COMMANDSPRIV"));
  bot.Irc().DelaySending(kHelpPauseMs);
  SendReply(bot, nick, HelpText("COMMANDSCHAN"));
  if (const std::string scripts = bot.ScriptCommandList(); !scripts.empty()) {
    SendReply(bot, nick, scripts);
  }
  SendReply(bot, nick, HelpText("COMMANDSHELP"));
}

// One row of the dispatch table. The parameter count is checked before the
// rights, so a short command is answered without a look at the user file.
struct PrivateCommand {
  std::string_view word;
  std::string_view label;
  std::size_t minimum_parts;         // command word included; 0: no check
  std::optional<int> general_level;  // none: no rights check
  PrivateHandler handler;
};

const std::array<PrivateCommand, 16> kPrivateCommands{{
    {"HELP", "", 0, std::nullopt, HandleHelp},
    // Without a password a login may be made by the sender's account.
    {"LOGIN", "Login", 0, std::nullopt, HandleLogin},
    {"JOIN", "Join", 2, 2, HandleJoin},
    {"PART", "Part", 2, 2, HandlePart},
    {"SAY", "Say", 3, 1, HandleSay},
    {"NICK", "Nick", 2, 2, HandleNick},
    {"USERINFO", "Userinfo", 0, 1, HandleUserinfo},
    {"USERADD", "Useradd", 2, 1, HandleUseradd},
    {"USERDEL", "Userdel", 2, 2, HandleUserdel},
    {"USERMOD", "Usermod", 4, 0, HandleUsermod},
    {"USERPASS", "Userpass", 2, 2, HandleUserpass},
    {"NEWPASS", "Newpass", 3, 0, HandleNewpass},
    {"CHANOWNER", "Chanowner", 3, 2, HandleChanowner},
    {"GENERALOWNER", "Generalowner", 3, 2, HandleGeneralowner},
    {"RELOAD", "Reload", 2, 2, HandleReload},
    {"ACCOUNT", "Account", 3, std::nullopt, HandleAccount},
}};

const PrivateCommand* FindCommand(std::string_view word) {
  for (const PrivateCommand& command : kPrivateCommands) {
    if (command.word == word) return &command;
  }
  return nullptr;
}

bool PassesChecks(BotContext& bot, const PrivateCommand& command, const CommandParts& parts,
                  const TIdIRCUser& user) {
  const std::string label(command.label);
  if (command.minimum_parts > 0 &&
      !CheckParams(bot, parts, command.minimum_parts, user.Nick(), label)) {
    return false;
  }
  return !command.general_level ||
         CheckRights(bot, kGeneralScope, *command.general_level, user, label);
}

}  // namespace

void DispatchPrivate(BotContext& bot, const std::string& text, const TIdIRCUser& user) {
  const CommandParts parts = SplitParams(text, ";");
  // Every command is shown in full, passwords included, before anything else.
  ShowPrivate(bot, text, user);
  const PrivateCommand* command = FindCommand(UpperCase(parts[0]));
  if (!command) {
    if (bot.RunChannelPrivate(parts, user)) return;
    SendReply(bot, user.Nick(), "Unknown command");
    return;
  }
  if (PassesChecks(bot, *command, parts, user)) command->handler(bot, parts, user);
}

std::vector<std::string> PrivateCommandWords() {
  std::vector<std::string> words;
  for (const PrivateCommand& command : kPrivateCommands) words.emplace_back(command.word);
  return words;
}

// A server's own message has no nick: its name (the whole prefix) stands
// in for one.
void ShowPrivate(BotContext& bot, const std::string& text, const TIdIRCUser& user) {
  const std::string& sender = user.Nick().empty() ? user.Address : user.Nick();
  bot.Display().DisplayLine("PRIVMSG/" + sender + ": " + text);
}

}  // namespace zelmo
