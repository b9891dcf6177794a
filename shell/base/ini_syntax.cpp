#include "shell/base/ini_syntax.h"

#include "shell/base/convert.h"

namespace zelmo {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool HasBlankEnd(std::string_view text) {
  return !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()));
}

bool IsQuotePair(std::string_view text) {
  return text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
         text.back() == text.front();
}

// Line breaks would split the line and NUL ends the text for C readers.
bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace

std::string_view DecodeValue(std::string_view raw) {
  std::string_view value = TrimBlanks(raw);
  if (IsQuotePair(value)) value = value.substr(1, value.size() - 2);
  return value;
}

std::string EncodeValue(std::string_view value) {
  if (HasBlankEnd(value) || IsQuotePair(value)) return "\"" + std::string(value) + "\"";
  return std::string(value);
}

bool IsStorableSection(std::string_view name) {
  return !name.empty() && !HasBlankEnd(name) && !HasLineBreakOrNul(name) &&
         name.find(']') == std::string_view::npos;
}

bool IsStorableKey(std::string_view name) {
  return !name.empty() && !HasBlankEnd(name) && !HasLineBreakOrNul(name) &&
         name.find('=') == std::string_view::npos && name.front() != '[' && name.front() != ';';
}

bool IsStorableValue(std::string_view value) {
  return !HasLineBreakOrNul(value);
}

}  // namespace zelmo
