#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "users/bot_context.h"

namespace zelmo {

class TIdIRCUser;

// A private message to the bot: split at ";", shown in the display, and run
// as the command its first part names. Failures of a command raise; the
// caller drops them.
void DispatchPrivate(BotContext& bot, const std::string& text, const TIdIRCUser& user);

// The display line of a private message to the bot, the whole text shown;
// a server's own message is shown under the server's name.
void ShowPrivate(BotContext& bot, const std::string& text, const TIdIRCUser& user);

// The help text of an upper-cased key; an unknown key gives the key followed
// by ": Unknown command.".
std::string HelpText(std::string_view key);
// The help text of an upper-cased key; none for an unknown key.
std::optional<std::string> FindHelpText(std::string_view key);

// The words of the private commands the users' layer handles, upper-cased.
std::vector<std::string> PrivateCommandWords();

}  // namespace zelmo
