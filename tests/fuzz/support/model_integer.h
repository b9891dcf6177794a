#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zelmo::fuzz {

// The integer rule of stored rights (configuration values take no bare "x"
// of it), worked out
// digit by digit as a second opinion: optional leading blanks, then an
// optional sign and decimal digits that fit 32 bits, or up to 32 bits of
// hexadecimal digits after "$", "x", "X", "0x" or "0X".
std::optional<std::int32_t> ModelInteger(std::string_view text);

}  // namespace zelmo::fuzz
