#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zelmo {

// The longest console input taken, in characters; the rest of a longer line
// is dropped.
inline constexpr std::size_t kMaxConsoleInput = 4096;
// The most bytes that many characters take in UTF-8.
inline constexpr std::size_t kMaxConsoleInputBytes = 4 * kMaxConsoleInput;

// The first kMaxConsoleInput characters of an input line. A well-formed
// UTF-8 sequence is one character and any other byte is one (a Latin-1
// letter), so the cut never splits a character.
std::string CutConsoleInput(std::string_view line);

}  // namespace zelmo
