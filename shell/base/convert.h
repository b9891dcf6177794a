#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zelmo {

// ASCII letters only: every other byte, umlauts included, stays as it is.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// Inline: name lookups hash every byte of a nick through it.
inline char UpperChar(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The text without the blanks (spaces and tabs) at either end.
std::string_view TrimBlanks(std::string_view text);

// The integer reading of stored rights and of usermod's rights argument:
// optional leading blanks, then an optional sign and decimal digits, or
// hexadecimal digits after "$", "x" or "0x" (either case of x). Hexadecimal
// may use all 32 bits ("$FFFFFFFF" is -1); decimal must fit a signed 32-bit
// number. Anything else, the empty text included, is no integer.
std::optional<std::int32_t> TryStrToInt(std::string_view text);

// As TryStrToInt, raising EConvertError "'%s' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

// The integer reading of configuration values (integers and colour
// numbers): as TryStrToInt, but hexadecimal only after "$", "0x" or "0X";
// a bare "x" in front makes no number.
std::optional<std::int32_t> TryConfigInteger(std::string_view text);

// As TryConfigInteger, raising the same EConvertError as StrToInt.
std::int32_t ConfigInteger(std::string_view text);

// The integer default rule of the INI store: TryConfigInteger, or the
// fallback for anything that is no number.
std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback);

std::string IntToStr(std::int64_t value);

}  // namespace zelmo
