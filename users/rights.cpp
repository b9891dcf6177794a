#include "users/rights.h"

#include <array>
#include <utility>

#include "shell/base/convert.h"
#include "users/scriptfunc.h"
#include "users/user_file.h"

namespace zelmo {

namespace {

using NamedLevel = std::pair<std::string_view, std::string_view>;

constexpr std::array<NamedLevel, 4> kGeneralNames{{
    {"G-1", "User not found"},
    {"G0", "Nothing"},
    {"G1", "Operator"},
    {"G2", "Owner"},
}};

constexpr std::array<NamedLevel, 6> kChannelNames{{
    {"-1", "Channel not found"},
    {"0", "Nothing"},
    {"1", "Voiced"},
    {"2", "Operator"},
    {"3", "Master"},
    {"4", "Owner"},
}};

template <std::size_t N>
std::string NameIn(const std::array<NamedLevel, N>& names, std::string_view stored) {
  for (const auto& [text, name] : names) {
    if (text == stored) return std::string(name);
  }
  return "Unknown value";
}

}  // namespace

std::int8_t ParseRightsLevel(std::string_view stored) {
  return AsRightsLevel(StrToInt(stored));
}

std::int8_t AsRightsLevel(std::int32_t number) {
  // Conversion to a narrower signed type keeps the low bits (two's complement).
  return static_cast<std::int8_t>(number);
}

std::int8_t RightsLevel(BotContext& bot, std::string_view scope, std::string_view address) {
  const UserFile users(bot);
  const std::string name = users.UserAt(address);
  if (name == kAbsent) return -1;
  return ParseRightsLevel(users.Read(name, RightsKey(scope)));
}

// The names go by the stored text itself, not its value: "00" and "+1" are
// levels 0 and 1 but show as "Unknown value".
std::string RightsName(std::string_view stored) {
  if (stored.starts_with('G')) return NameIn(kGeneralNames, stored);
  return NameIn(kChannelNames, stored);
}

}  // namespace zelmo
