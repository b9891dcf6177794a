#include "channel/lookup_guard.h"

#include <exception>

#include "channel/web_page.h"
#include "users/scriptfunc.h"

namespace zelmo {

void RunLookup(BotContext& bot, const std::string& channel, const std::string& error_reply,
               const std::function<void()>& lookup) {
  try {
    lookup();
  } catch (const std::exception&) {
    AbandonPage(bot);
    SendReply(bot, channel, error_reply);
  }
}

}  // namespace zelmo
