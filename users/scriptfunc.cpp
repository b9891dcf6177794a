#include "users/scriptfunc.h"

namespace zelmo {

std::int8_t RightsLevel(BotContext&, std::string_view, std::string_view) { return -1; }
std::string RightsName(std::string_view) { return "Unknown value"; }
bool CheckParams(BotContext&, const std::vector<std::string>&, std::size_t, const std::string&,
                 const std::string&) {
  return false;
}
bool CheckRights(BotContext&, std::string_view, int, const TIdIRCUser&, const std::string&) {
  return false;
}
void SendReply(BotContext&, const std::string&, const std::string&) {}
void SendReplyColored(BotContext&, const std::string&, const std::string&, TextClass) {}
void SendMode(BotContext&, const std::string&, const std::string&) {}

}  // namespace zelmo
