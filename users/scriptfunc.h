#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shell/base/display.h"
#include "users/bot_context.h"
#include "users/bot_version.h"

namespace zelmo {

class TIdIRCUser;

// The scope of bot-wide rights; channel rights use the channel's name.
inline constexpr const char* kGeneralScope = "GENERAL";

// The rights level of an IRC address in a scope: -1 when the address is not
// in the address map or the user has no such key, else the stored number's
// low 8 bits as a signed byte. A stored value that is no integer raises
// EConvertError, which ends the command that looked it up.
std::int8_t RightsLevel(BotContext& bot, std::string_view scope, std::string_view address);

// The name of a stored rights value; "G" in front selects the general names.
std::string RightsName(std::string_view stored);

// Answers label + ": Error - Not enough parameters" to the nick and returns
// false when there are fewer parts than the minimum (command word included).
bool CheckParams(BotContext& bot, const std::vector<std::string>& parts, std::size_t minimum,
                 const std::string& nick, const std::string& label);

// Answers label + ": Error - Access rights too low" to the user's nick and
// returns false when the user's level in the scope is below the required one.
bool CheckRights(BotContext& bot, std::string_view scope, int required, const TIdIRCUser& user,
                 const std::string& label);

// Whether the text is the security password of GENERALOWNER and RELOAD,
// letter case aside; never when Config.ini sets none.
bool IsSecurityPassword(const BotContext& bot, std::string_view given);

// The display line of what the bot sends to a target: "-> " + target + ": " + text.
std::string ReplyLine(const std::string& target, const std::string& text);
// "-> " + target + ": " + text in the display, then PRIVMSG to the target.
void SendReply(BotContext& bot, const std::string& target, const std::string& text);
void SendReplyColored(BotContext& bot, const std::string& target, const std::string& text,
                      TextClass text_class);
// "-> " + channel + ": " + modes in the display, then "MODE %s %s".
void SendMode(BotContext& bot, const std::string& channel, const std::string& modes);

}  // namespace zelmo
