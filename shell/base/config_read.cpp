#include "shell/base/config_read.h"

#include <algorithm>

#include "shell/base/colors.h"
#include "shell/base/convert.h"
#include "shell/base/ini_switch.h"

namespace zelmo {

namespace {

// A value read, and when it gave way to the default, why.
struct Decoded {
  ConfigValue value;
  std::optional<std::string> fell_back;
};

std::string Quoted(std::string_view value) {
  return "'" + std::string(value) + "'";
}

EConfigError NotA(const ConfigKey& key, std::string_view value, std::string_view forms) {
  return EConfigError(
      key, Quoted(value) + " is not a " + std::string(key.noun) + " (" + std::string(forms) + ")");
}

std::string RangeText(const ConfigKey& key) {
  if (key.max == std::numeric_limits<std::int32_t>::max()) return IntToStr(key.min) + " or more";
  return IntToStr(key.min) + " to " + IntToStr(key.max);
}

// "once|always" -> "once or always"; "a|b|c" -> "a, b or c".
std::string ChoiceList(std::string_view choices) {
  std::string text(choices);
  if (const std::size_t last = text.rfind('|'); last != std::string::npos) {
    text.replace(last, 1, " or ");
  }
  for (std::size_t bar; (bar = text.find('|')) != std::string::npos;) text.replace(bar, 1, ", ");
  return text;
}

std::int32_t InRange(const ConfigKey& key, std::string_view value, std::int32_t number) {
  if (number < key.min || number > key.max) throw NotA(key, value, RangeText(key));
  return number;
}

std::string ChoiceOf(const ConfigKey& key, std::string_view value) {
  std::string_view rest = key.choices;
  while (!rest.empty()) {
    const std::size_t bar = std::min(rest.find('|'), rest.size());
    if (SameText(rest.substr(0, bar), value)) return std::string(rest.substr(0, bar));
    rest.remove_prefix(std::min(bar + 1, rest.size()));
  }
  throw NotA(key, value, ChoiceList(key.choices));
}

// An empty value is the usual way to write "the default".
std::optional<std::string> NoNumber(std::string_view value) {
  if (TrimBlanks(value).empty()) return std::nullopt;
  return Quoted(value) + " is not a number, so the default applies";
}

Decoded Decode(const ConfigKey& key, std::string_view value, std::string_view fallback) {
  switch (key.type) {
    case ConfigType::kNumber:
      if (const auto number = TryConfigInteger(value)) return {InRange(key, value, *number), {}};
      return {StrToIntDef(fallback, 0), NoNumber(value)};
    case ConfigType::kFlag:
      if (const auto number = TryConfigInteger(value)) return {*number != 0, {}};
      return {StrToIntDef(fallback, 0) != 0, NoNumber(value)};
    case ConfigType::kInteger:
      if (TrimBlanks(value).empty()) return {StrToIntDef(fallback, 0), {}};
      if (const auto number = TryConfigInteger(value)) return {InRange(key, value, *number), {}};
      throw NotA(key, value, RangeText(key));
    case ConfigType::kSwitch:
      if (const auto on = ParseSwitch(value)) return {*on, {}};
      throw EConfigError(key, NotASwitch(value));
    case ConfigType::kColour:
      try {
        return {StringToColor(value), {}};
      } catch (const EConvertError& error) {
        throw EConfigError(key, error.what(), false);
      }
    case ConfigType::kChoice:
      return {ChoiceOf(key, value), {}};
    case ConfigType::kText:
      break;
  }
  return {std::string(value), {}};
}

}  // namespace

namespace {

std::string SectionOr(const ConfigKey& key, std::string_view section) {
  return std::string(section.empty() ? key.section : section);
}

}  // namespace

EConfigError::EConfigError(const ConfigKey& key, const std::string& problem, bool text_names_key,
                           std::string_view section)
    : EConvertError(text_names_key ? "[" + SectionOr(key, section) + "] " + std::string(key.name) +
                                         ": " + problem
                                   : problem),
      key_(&key),
      section_(SectionOr(key, section)),
      problem_(problem) {}

ConfigValue ReadConfig(const TIniFile& ini, const ConfigKey& key,
                       std::optional<std::string_view> fallback) {
  const std::string_view default_value = fallback.value_or(key.default_value);
  const std::optional<std::string> value = ini.ReadValue(key.section, key.name);
  return Decode(key, value ? *value : default_value, default_value).value;
}

ConfigValue ReadConfigIn(const TIniFile& ini, const ConfigKey& key, std::string_view section,
                         std::string_view fallback) {
  const std::optional<std::string> value = ini.ReadValue(section, key.name);
  try {
    return Decode(key, value ? *value : fallback, fallback).value;
  } catch (const EConfigError& error) {
    throw EConfigError(key, error.Problem(), true, section);
  }
}

ConfigValue DecodeConfigValue(const ConfigKey& key, std::string_view value,
                              std::string_view section) {
  try {
    return Decode(key, value, key.default_value).value;
  } catch (const EConfigError& error) {
    throw EConfigError(key, error.Problem(), true, section);
  }
}

std::string ConfigText(const TIniFile& ini, const ConfigKey& key) {
  return std::get<std::string>(ReadConfig(ini, key));
}

std::int32_t ConfigNumber(const TIniFile& ini, const ConfigKey& key,
                          std::optional<std::string_view> fallback) {
  return std::get<std::int32_t>(ReadConfig(ini, key, fallback));
}

bool ConfigOn(const TIniFile& ini, const ConfigKey& key) {
  return std::get<bool>(ReadConfig(ini, key));
}

std::optional<std::string> ConfigValueProblem(const TIniFile& ini, const ConfigKey& key,
                                              std::string_view section) {
  const std::string where = SectionOr(key, section);
  const std::optional<std::string> value = ini.ReadValue(where, key.name);
  if (!value) return std::nullopt;
  try {
    const Decoded decoded = Decode(key, *value, key.default_value);
    if (!decoded.fell_back) return std::nullopt;
    return "[" + where + "] " + std::string(key.name) + ": " + *decoded.fell_back;
  } catch (const EConfigError& error) {
    return "[" + where + "] " + std::string(key.name) + ": " + error.Problem();
  }
}

}  // namespace zelmo
