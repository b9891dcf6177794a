#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "channel/tv_channels.h"
#include "users/bot_context.h"

namespace zelmo {

class TIdIRCUser;

// "!tv <channel>": what is on one Finnish TV channel now and next, or with
// "now"/"next" what is on all six, from the listing web page or an XMLTV
// file. Anyone may ask.
void ChannelTv(BotContext& bot, const std::vector<std::string>& parts, const TIdIRCUser& requester,
               const std::string& channel);

inline constexpr std::string_view kTvRequest = "GET /vorla/tv.php";

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

// The answer for a key from the page's six lines, before formatting, in
// pieces: for "Now" and "Next" the heading with the first channel's entry,
// then one piece per further channel; for one channel its line whole.
std::vector<std::string> TvAnswerPieces(std::string_view key,
                                        const std::array<std::string, kTvChannelCount>& lines);

// The pieces of TvAnswerPieces joined.
std::string BuildTvAnswer(std::string_view key,
                          const std::array<std::string, kTvChannelCount>& lines);

// Bold and italic tags become IRC bold and underline; "</a>", "<br>" and
// "&nbsp;" go. Nothing else changes.
std::string TvFormatting(std::string_view answer);

}  // namespace zelmo
