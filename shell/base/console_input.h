#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Header only: the window module, which links none of the bot's logic, cuts
// its input by the same rule.

namespace zelmo {

// The longest console input taken, in characters; the rest of a longer line
// is dropped.
inline constexpr std::size_t kMaxConsoleInput = 4096;
// The most bytes that many characters take in UTF-8.
inline constexpr std::size_t kMaxConsoleInputBytes = 4 * kMaxConsoleInput;

// The length of the well-formed UTF-8 sequence at the start of the text, or
// 0 when the text starts with none.
inline std::size_t Utf8SequenceLength(std::string_view text) {
  auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// The first kMaxConsoleInput characters of an input line. A well-formed
// UTF-8 sequence is one character and any other byte is one (a Latin-1
// letter), so the cut never splits a character.
inline std::string CutConsoleInput(std::string_view line) {
  std::size_t end = 0;
  for (std::size_t count = 0; count < kMaxConsoleInput && end < line.size(); ++count) {
    const std::size_t length = Utf8SequenceLength(line.substr(end));
    end += length == 0 ? 1 : length;
  }
  return std::string(line.substr(0, end));
}

}  // namespace zelmo
