#pragma once

#include <cstdint>
#include <string_view>

namespace zelmo {

// A stored rights text as a level: parsed as a 32-bit integer, of which only
// the low 8 bits count, as a signed byte (256 acts as 0, -129 as 127). Raises
// EConvertError when the text is no integer, the empty text included.
std::int8_t ParseRightsLevel(std::string_view stored);

// The level a rights number acts as once stored: its low 8 bits, signed.
std::int8_t AsRightsLevel(std::int32_t number);

}  // namespace zelmo
