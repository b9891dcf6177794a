#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zelmo {

// An XMLTV time, "YYYYMMDDhhmmss" or its date with only the hour or the
// minutes ("YYYYMMDD", "YYYYMMDDhh", "YYYYMMDDhhmm"), then optionally a blank
// and the zone: "+hhmm" or "-hhmm", or "UTC", "GMT" or "Z"; a time without a
// zone is in UTC. The seconds since the epoch, or nothing for any other text
// and for dates and times that do not exist.
std::optional<std::int64_t> ParseXmltvTime(std::string_view text);

// "HH:MM" of the time in the machine's local time zone.
std::string LocalClockText(std::int64_t seconds);

}  // namespace zelmo
