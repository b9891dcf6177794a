#include "channel/xmltv_time.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "shell/base/errors.h"

namespace zelmo {

namespace {

constexpr int kSecondsPerHour = 3600;
constexpr int kSecondsPerMinute = 60;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int Number(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

// The zone's offset from UTC in seconds.
std::optional<int> ZoneOffset(std::string_view zone) {
  if (zone.empty() || zone == "UTC" || zone == "GMT" || zone == "Z") return 0;
  const bool signed_offset = zone.size() == 5 && (zone[0] == '+' || zone[0] == '-');
  if (!signed_offset || !std::all_of(zone.begin() + 1, zone.end(), IsDigit)) return std::nullopt;
  const int hours = Number(zone.substr(1, 2));
  const int minutes = Number(zone.substr(3, 2));
  if (hours > 23 || minutes > 59) return std::nullopt;
  const int offset = hours * kSecondsPerHour + minutes * kSecondsPerMinute;
  return zone[0] == '-' ? -offset : offset;
}

}  // namespace

std::optional<std::int64_t> ParseXmltvTime(std::string_view text) {
  const auto digits =
      static_cast<std::size_t>(std::find_if_not(text.begin(), text.end(), IsDigit) - text.begin());
  if (digits < 8 || digits > 14 || digits % 2 != 0) return std::nullopt;
  std::string_view zone = text.substr(digits);
  zone.remove_prefix(std::min(zone.find_first_not_of(' '), zone.size()));
  const std::optional<int> offset = ZoneOffset(zone);
  if (!offset) return std::nullopt;
  const std::string_view clock = text.substr(8, digits - 8);
  const int hour = clock.size() >= 2 ? Number(clock.substr(0, 2)) : 0;
  const int minute = clock.size() >= 4 ? Number(clock.substr(2, 2)) : 0;
  const int second = clock.size() >= 6 ? Number(clock.substr(4, 2)) : 0;
  const std::chrono::year_month_day date{std::chrono::year(Number(text.substr(0, 4))),
                                         std::chrono::month(Number(text.substr(4, 2))),
                                         std::chrono::day(Number(text.substr(6, 2)))};
  if (!date.ok() || hour > 23 || minute > 59 || second > 60) return std::nullopt;
  const std::int64_t days = std::chrono::sys_days(date).time_since_epoch().count();
  return days * 24 * kSecondsPerHour + hour * kSecondsPerHour + minute * kSecondsPerMinute +
         second - *offset;
}

std::string LocalClockText(std::int64_t seconds) {
  const auto when = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (localtime_r(&when, &local) == nullptr) throw Exception("No local time for a programme");
  char text[8];
  std::strftime(text, sizeof text, "%H:%M", &local);
  return text;
}

}  // namespace zelmo
