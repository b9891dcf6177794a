#include "shell/base/console_input.h"

#include "shell/base/utf8.h"

namespace zelmo {

std::string CutConsoleInput(std::string_view line) {
  std::size_t end = 0;
  for (std::size_t count = 0; count < kMaxConsoleInput && end < line.size(); ++count) {
    const auto character = DecodeUtf8Char(line.substr(end));
    end += character ? character->length : 1;
  }
  return std::string(line.substr(0, end));
}

std::string LineForEnter(std::string_view box_text) {
  std::size_t end = box_text.size();
  while (end > 0) {
    std::size_t start = box_text.rfind('\n', end - 1);
    start = (start == std::string_view::npos) ? 0 : start + 1;
    std::string_view line = box_text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) return CutConsoleInput(line);
    if (start == 0) break;
    end = start - 1;
  }
  return {};
}

std::string ConsoleLines::Enter(std::string_view typed) {
  if (!typed.empty()) last_holding_text_ = CutConsoleInput(typed);
  return last_holding_text_;
}

}  // namespace zelmo
