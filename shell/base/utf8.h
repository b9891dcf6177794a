#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zelmo {

// One character of UTF-8 text: its code point and the bytes it takes.
struct Utf8Char {
  char32_t code;
  std::size_t length;
};

// The well-formed UTF-8 sequence at the start of the text, or nothing for
// a malformed, cut-off, overlong, surrogate or out-of-range one (and for an
// empty text).
std::optional<Utf8Char> DecodeUtf8Char(std::string_view text);

// Appends a code point (at most U+10FFFF) in UTF-8.
void AppendUtf8(std::string& out, char32_t code);

}  // namespace zelmo
