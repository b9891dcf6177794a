#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "users/bot_context.h"

namespace zelmo {

class TIdIRCUser;

// "!tv <channel>": what is on one Finnish TV channel now and next, or with
// "now"/"next" what is on all six. Anyone may ask.
void ChannelTv(BotContext& bot, const std::vector<std::string>& parts, const TIdIRCUser& requester,
               const std::string& channel);

inline constexpr std::string_view kTvRequest = "GET /vorla/tv.php";
// The listing page has one line per TV channel, in this order.
inline constexpr std::size_t kTvChannelCount = 6;
inline constexpr std::string_view kUnknownTvChannel = "ERR";
inline constexpr std::string_view kTvNow = "Now";
inline constexpr std::string_view kTvNext = "Next";

// The key of an upper-cased argument: one of the six channel keys, "Now",
// "Next", or "ERR" for anything else.
std::string TvChannelKey(std::string_view argument);

// TvChannelKey; for "ERR" it first answers "TV: Error - Unknown channel "
// and the argument in the channel.
std::string NormalizeTvChannel(BotContext& bot, const std::string& argument,
                               const std::string& channel);

// What is on now: from the line's first "<i>" on, 5 characters longer than
// the position of the first "<i>" after the first "</i>".
std::string NowPiece(std::string_view line);

// What comes next: from eight characters before the first "&nbsp;", up to
// shortly before the first "</i>" after it.
std::string NextPiece(std::string_view line);

// The answer for a key from the page's six lines, before formatting.
std::string BuildTvAnswer(std::string_view key,
                          const std::array<std::string, kTvChannelCount>& lines);

// Bold and italic tags become IRC bold and underline; "</a>", "<br>" and
// "&nbsp;" go. Nothing else changes.
std::string TvFormatting(std::string_view answer);

}  // namespace zelmo
