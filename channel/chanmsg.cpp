#include "channel/chanmsg.h"

namespace zelmo {

void DispatchChannel(BotContext&, const std::string&, const std::string&, const TIdIRCUser&) {}
std::string BuildModeChange(const std::vector<std::string>&, char, char) { return {}; }

}  // namespace zelmo
