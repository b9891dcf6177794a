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
char UpperChar(char c);

// The integer reading used for configuration values and stored rights:
// optional leading blanks, then an optional sign and decimal digits, or
// hexadecimal digits after "$", "x" or "0x" (either case of x). Hexadecimal
// may use all 32 bits ("$FFFFFFFF" is -1); decimal must fit a signed 32-bit
// number. Anything else, the empty text included, is no integer.
std::optional<std::int32_t> TryStrToInt(std::string_view text);

// As TryStrToInt, raising EConvertError "'%s' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

// The integer default rule of the INI store: a value of more than two
// characters beginning "0x" or "0X" is hexadecimal, otherwise TryStrToInt.
std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback);

std::string IntToStr(std::int64_t value);

}  // namespace zelmo
