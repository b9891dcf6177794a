#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zelmo {

// How long a ban lasts, in seconds; 0 is a ban without end.
using BanSeconds = std::int64_t;

inline constexpr BanSeconds kPermanentBan = 0;
// A year and a day: longer than any channel needs, and small enough that the
// expiry time of a ban never overflows the clock.
inline constexpr BanSeconds kMaxBanSeconds = 366LL * 24 * 60 * 60;

// A duration as channel owners write it: a count and one unit, "45s", "30m",
// "2h", "7d", "1w" (unit in either case), digits alone as seconds, "0" for
// permanent. Raises EConvertError "'<text>' is not a duration" for anything
// else, and "'<text>' is longer than a year" above kMaxBanSeconds.
BanSeconds ParseDuration(std::string_view text);

// The shortest reading of a duration for the ban list: "permanent", "45s",
// "1h30m", "2d3h" (at most the two largest units, the rest dropped).
std::string FormatDuration(BanSeconds seconds);

}  // namespace zelmo
