#pragma once

#include <string>
#include <string_view>

namespace zelmo {

// The characters of a text the bot shows (a display line, a box, a notice,
// the caption). The logic's texts are bytes: people on IRC mostly send
// UTF-8, while the bot's own texts and older clients use single-byte
// Latin-1. A text that is valid UTF-8 as a whole is read as UTF-8, any other
// byte by byte as Latin-1. Every byte counts: controls, NUL and a leading
// byte order mark are characters like the others.
std::u32string DecodeDisplayText(std::string_view bytes);

}  // namespace zelmo
