#include "shell/base/ini_switch.h"

#include <array>
#include <string>
#include <utility>

#include "shell/base/convert.h"
#include "shell/base/errors.h"

namespace zelmo {

namespace {

constexpr std::array<std::pair<std::string_view, bool>, 8> kSwitchWords = {{
    {"1", true},
    {"0", false},
    {"yes", true},
    {"no", false},
    {"true", true},
    {"false", false},
    {"on", true},
    {"off", false},
}};

}  // namespace

std::optional<bool> ParseSwitch(std::string_view text) {
  for (const auto& [word, value] : kSwitchWords) {
    if (SameText(text, word)) return value;
  }
  return std::nullopt;
}

std::string NotASwitch(std::string_view text) {
  return "'" + std::string(text) + "' is not a switch (1/0, yes/no, true/false, on/off)";
}

bool ReadSwitch(const TIniFile& ini, std::string_view section, std::string_view key,
                bool default_value) {
  const std::optional<std::string> value = ini.ReadValue(section, key);
  if (!value) return default_value;
  if (const std::optional<bool> on = ParseSwitch(*value)) return *on;
  throw Exception("[" + std::string(section) + "] " + std::string(key) + ": " + NotASwitch(*value));
}

}  // namespace zelmo
