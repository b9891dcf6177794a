#include "users/split_params.h"

namespace zelmo {

void SplitParams(std::string_view text, std::string_view separator,
                 std::vector<std::string>& parts) {
  if (separator.empty()) {
    parts.emplace_back(text);
    return;
  }
  // The text is taken with one more separator behind it, so every piece,
  // the last one included, ends at a separator.
  std::string rest(text);
  rest.append(separator);
  std::string_view remaining = rest;
  for (std::size_t at = remaining.find(separator); at != std::string_view::npos;
       at = remaining.find(separator)) {
    parts.emplace_back(remaining.substr(0, at));
    remaining.remove_prefix(at + separator.size());
  }
}

std::vector<std::string> SplitParams(std::string_view text, std::string_view separator) {
  std::vector<std::string> parts;
  SplitParams(text, separator, parts);
  return parts;
}

}  // namespace zelmo
