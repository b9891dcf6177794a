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

}  // namespace zelmo
