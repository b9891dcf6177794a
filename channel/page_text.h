#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace zelmo {

// Page lines are cut by 1-based character positions. The cutting offsets of
// the lookups depend on the exact clamping below, so these two are kept apart
// from std::string's 0-based find and substr.

// Position of the first occurrence of the needle, counted from 1; 0 when it
// does not occur.
std::ptrdiff_t FindPos(std::string_view needle, std::string_view text);

// At most count characters from position index on. An index below 1 counts
// as 1; an index beyond the end or a negative count gives an empty text.
std::string SlicePos(std::string_view text, std::ptrdiff_t index, std::ptrdiff_t count);

struct TextReplacement {
  std::string_view from;
  std::string_view to;
};

// Every occurrence of from becomes to, left to right, without scanning the
// inserted text again.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// ReplaceAll for each entry in table order; a later entry sees the result of
// the earlier ones.
std::string ReplaceInOrder(std::string_view text, std::span<const TextReplacement> table);

}  // namespace zelmo
