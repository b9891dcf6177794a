#include "users/privmsg.h"

namespace zelmo {

void DispatchPrivate(BotContext&, const std::string&, const TIdIRCUser&) {}
std::string HelpText(std::string_view key) { return std::string(key) + ": Unknown command."; }

}  // namespace zelmo
