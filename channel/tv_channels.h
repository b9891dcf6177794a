#pragma once

#include <array>
#include <string_view>

#include "users/bot_context.h"

namespace zelmo {

struct TvChannel {
  std::string_view key;
  std::string_view label;  // in the all-channels answers
};

// The six TV channels in the order of the answers (and of the listing
// page's lines).
inline constexpr std::array<TvChannel, kTvChannelCount> kTvChannels{{
    {"YLE1", "<b>YLE1</b>: "},
    {"YLE2", " <b>YLE2</b>: "},
    {"MTV3", " <b>MTV3</b>: "},
    {"Nelonen", " <b>Nelonen</b>: "},
    {"SubTV", " <b>SubTV</b>: "},
    {"MoonTV", " <b>MoonTV</b>: "},
}};

inline constexpr std::string_view kUnknownTvChannel = "ERR";
inline constexpr std::string_view kTvNow = "Now";
inline constexpr std::string_view kTvNext = "Next";

}  // namespace zelmo
