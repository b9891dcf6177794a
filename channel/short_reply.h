#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "users/bot_context.h"

namespace zelmo {

// What a cut answer ends with.
inline constexpr std::string_view kCutMark = " ...";

// How many IRC messages a text takes once it is sent.
using MessageCounter = std::function<std::size_t(const std::string&)>;

// An answer given as pieces: the first holds its head and first entry, each
// further one a separator and one more entry (", home"; " <b>YLE2</b>: ...").
// The whole answer when it fits in max_messages and nothing was left out
// (`more` says something was). Otherwise the first pieces that fit with
// " ..." after them; when not even the first does, as much of it as fits,
// cut at a blank (or, in a text without one, between characters), with
// " ..." after it.
std::string ShortAnswer(const std::vector<std::string>& pieces, bool more, std::size_t max_messages,
                        const MessageCounter& messages);

// SendReply of the short answer: it takes at most the bot's ReplyLines()
// messages to the channel, counted as the IRC client splits them.
void SendShortReply(BotContext& bot, const std::string& channel,
                    const std::vector<std::string>& pieces, bool more = false);

}  // namespace zelmo
