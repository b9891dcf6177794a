#include "users/scriptfunc.h"

#include <optional>

#include "irc/session/irc_client.h"
#include "irc/session/irc_users.h"
#include "shell/base/convert.h"

namespace zelmo {

std::string ReplyLine(const std::string& target, const std::string& text) {
  return "-> " + target + ": " + text;
}

bool CheckParams(BotContext& bot, const std::vector<std::string>& parts, std::size_t minimum,
                 const std::string& nick, const std::string& label) {
  if (parts.size() >= minimum) return true;
  SendReply(bot, nick, label + ": Error - Not enough parameters");
  return false;
}

bool CheckRights(BotContext& bot, std::string_view scope, int required, const TIdIRCUser& user,
                 const std::string& label) {
  if (RightsLevel(bot, scope, user.Address) >= required) return true;
  SendReply(bot, user.Nick(), label + ": Error - Access rights too low");
  return false;
}

void SendReply(BotContext& bot, const std::string& target, const std::string& text) {
  bot.Display().DisplayLine(ReplyLine(target, text));
  bot.Irc().Say(target, text);
}

void SendReplyColored(BotContext& bot, const std::string& target, const std::string& text,
                      TextClass text_class) {
  bot.Display().DisplayColoredLine(ReplyLine(target, text), text_class);
  bot.Irc().Say(target, text);
}

bool IsSecurityPassword(const BotContext& bot, std::string_view given) {
  const std::optional<std::string> password = bot.CurrentSecurityPassword();
  return password && UpperCase(given) == UpperCase(*password);
}

void SendMode(BotContext& bot, const std::string& channel, const std::string& modes) {
  bot.Display().DisplayLine(ReplyLine(channel, modes));
  bot.Irc().Mode(channel, modes, "");
}

}  // namespace zelmo
