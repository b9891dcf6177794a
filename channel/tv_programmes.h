#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "channel/tv_schedule.h"
#include "users/bot_context.h"

namespace zelmo {

// The answer for a key (a channel key, "Now" or "Next") from the schedule at
// the time, shaped like the listing page's and not yet formatted: one
// channel gives "<b>KEY</b>: HH:MM Title" for what is on and
// " | HH:MM Title" for what comes next; "Now" and "Next" give a heading and,
// for each channel in order, its label and "HH:MM Title" (nothing when it
// has no programme then). Times are local; channel_ids name each channel's
// programmes in the schedule.
std::string ScheduleAnswer(std::string_view key, const TvSchedule& schedule,
                           const std::array<std::string, kTvChannelCount>& channel_ids,
                           std::int64_t when);

// The same answer in pieces, each a whole entry: for one channel what is on
// and " | " with what comes next; for "Now" and "Next" the heading with the
// first channel, then one piece per further channel.
std::vector<std::string> ScheduleAnswerPieces(
    std::string_view key, const TvSchedule& schedule,
    const std::array<std::string, kTvChannelCount>& channel_ids, std::int64_t when);

}  // namespace zelmo
