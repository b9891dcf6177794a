#pragma once

#include <functional>
#include <string>

#include "users/bot_context.h"

namespace zelmo {

// Runs the fetching part of a web lookup. Whatever fails in it, the page
// connection is dropped and error_reply goes to the channel instead of any
// answer; the transport's own error texts never reach IRC.
void RunLookup(BotContext& bot, const std::string& channel, const std::string& error_reply,
               const std::function<void()>& lookup);

}  // namespace zelmo
