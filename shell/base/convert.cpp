#include "shell/base/convert.h"

#include <charconv>

#include "shell/base/errors.h"

namespace zelmo {

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperChar(c);
  return out;
}

std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperChar(a[i]) != UpperChar(b[i])) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  // An all-blank text trims to an empty view at its end, still inside the
  // text: the INI reader keeps names as offsets into the text it read.
  if (first == std::string_view::npos) return text.substr(text.size());
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

namespace {

std::optional<std::int32_t> ParseHex(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint32_t value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> ParseDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text[0] < '0' || text[0] > '9') return std::nullopt;
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> ParseInteger(std::string_view text, bool bare_x_is_hex) {
  while (!text.empty() && text[0] == ' ') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  if (text[0] == '$') return ParseHex(text.substr(1));
  if (text[0] == 'x' || text[0] == 'X') {
    return bare_x_is_hex ? ParseHex(text.substr(1)) : std::nullopt;
  }
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    return ParseHex(text.substr(2));
  }
  return ParseDecimal(text);
}

EConvertError NotAnInteger(std::string_view text) {
  return EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

}  // namespace

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
  return ParseInteger(text, true);
}

std::int32_t StrToInt(std::string_view text) {
  if (auto value = TryStrToInt(text)) return *value;
  throw NotAnInteger(text);
}

std::optional<std::int32_t> TryConfigInteger(std::string_view text) {
  return ParseInteger(text, false);
}

std::int32_t ConfigInteger(std::string_view text) {
  if (auto value = TryConfigInteger(text)) return *value;
  throw NotAnInteger(text);
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback) {
  return TryConfigInteger(text).value_or(fallback);
}

std::string IntToStr(std::int64_t value) {
  return std::to_string(value);
}

}  // namespace zelmo
