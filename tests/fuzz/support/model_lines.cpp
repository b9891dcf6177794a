#include "support/model_lines.h"

namespace zelmo::fuzz {

std::vector<LineEvent> ModelReads(std::string_view stream, std::size_t max) {
  std::vector<LineEvent> events;
  std::size_t position = 0;
  for (;;) {
    const std::size_t lf = stream.find('\n', position);
    const std::size_t length = (lf == std::string_view::npos ? stream.size() : lf) - position;
    if (max > 0 && length > max) {
      events.emplace_back(Overlong{});
    } else if (lf != std::string_view::npos) {
      std::string line(stream.substr(position, length));
      if (!line.empty() && line.back() == '\r') line.pop_back();
      events.emplace_back(std::move(line));
    }
    if (lf == std::string_view::npos) break;
    position = lf + 1;
  }
  events.emplace_back(Closed{});
  return events;
}

}  // namespace zelmo::fuzz
