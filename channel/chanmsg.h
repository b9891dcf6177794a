#pragma once

#include <string>
#include <vector>

#include "users/bot_context.h"

namespace zelmo {

class TIdIRCUser;

// A channel message that begins with "!": split at blanks, shown in the
// display, and run as the command its first word names. Failures raise; the
// caller drops them.
void DispatchChannel(BotContext& bot, const std::string& text, const std::string& channel,
                     const TIdIRCUser& requester);

// The words of the channel commands, upper-cased, "!" included.
std::vector<std::string> ChannelCommandWords();

// The mode text for one to three nicks: "+o bob", "+oo bob carol",
// "+ooo bob carol dave"; nicks after the third are ignored.
std::string BuildModeChange(const std::vector<std::string>& parts, char sign, char letter);

}  // namespace zelmo
