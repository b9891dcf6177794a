#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zelmo::fuzz {

// What one read of a line reader gives: a line, an overlong line that was
// skipped, or the end of the stream.
struct Overlong {
  bool operator==(const Overlong&) const = default;
};
struct Closed {
  bool operator==(const Closed&) const = default;
};
using LineEvent = std::variant<std::string, Overlong, Closed>;

// The reads of a whole stream worked out from the line rules: a line ends
// at LF and a CR right before it goes; more than `max` bytes before the LF
// (0: no limit), or in a last piece without one, is an overlong line; a
// last piece without LF is never handed out. Ends with Closed.
std::vector<LineEvent> ModelReads(std::string_view stream, std::size_t max);

}  // namespace zelmo::fuzz
