#include "channel/ban_duration.h"

#include <algorithm>
#include <array>

#include "shell/base/convert.h"
#include "shell/base/errors.h"

namespace zelmo {
namespace {

struct DurationUnit {
  char letter;
  BanSeconds seconds;
};

// Largest first: FormatDuration takes the two leading units from here.
constexpr std::array<DurationUnit, 5> kUnits{{
    {'w', 7 * 24 * 3600},
    {'d', 24 * 3600},
    {'h', 3600},
    {'m', 60},
    {'s', 1},
}};

BanSeconds UnitSeconds(char letter) {
  const char lower = LowerCase(std::string_view(&letter, 1))[0];
  for (const DurationUnit& unit : kUnits) {
    if (unit.letter == lower) return unit.seconds;
  }
  return 0;
}

[[noreturn]] void NotADuration(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' is not a duration");
}

}  // namespace

BanSeconds ParseDuration(std::string_view text) {
  std::string_view digits = text;
  BanSeconds unit = 1;
  if (!text.empty() && (text.back() < '0' || text.back() > '9')) {
    unit = UnitSeconds(text.back());
    digits.remove_suffix(1);
  }
  if (unit == 0 || digits.empty()) NotADuration(text);
  BanSeconds count = 0;
  for (char digit : digits) {
    if (digit < '0' || digit > '9') NotADuration(text);
    // Held just above the bound, so a long digit run cannot overflow.
    count = std::min(count * 10 + (digit - '0'), kMaxBanSeconds + 1);
  }
  if (count > kMaxBanSeconds / unit) {
    throw EConvertError("'" + std::string(text) + "' is longer than a year");
  }
  return count * unit;
}

std::string FormatDuration(BanSeconds seconds) {
  if (seconds <= 0) return "permanent";
  std::string text;
  int parts = 0;
  for (const DurationUnit& unit : kUnits) {
    if (parts == 2) break;
    const BanSeconds count = seconds / unit.seconds;
    if (count == 0) {
      if (parts > 0) break;
      continue;
    }
    text += IntToStr(count) + unit.letter;
    seconds -= count * unit.seconds;
    ++parts;
  }
  return text;
}

}  // namespace zelmo
