#include "channel/page_text.h"

namespace zelmo {

std::ptrdiff_t FindPos(std::string_view needle, std::string_view text) {
  std::size_t at = text.find(needle);
  return at == std::string_view::npos ? 0 : static_cast<std::ptrdiff_t>(at) + 1;
}

std::string SlicePos(std::string_view text, std::ptrdiff_t index, std::ptrdiff_t count) {
  if (index < 1) index = 1;
  const auto length = static_cast<std::ptrdiff_t>(text.size());
  if (index > length || count < 0) return {};
  return std::string(
      text.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count)));
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t done = 0;
  for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, done)) {
    out.append(text.substr(done, at - done)).append(to);
    done = at + from.size();
  }
  out.append(text.substr(done));
  return out;
}

std::string ReplaceInOrder(std::string_view text, std::span<const TextReplacement> table) {
  std::string out(text);
  for (const TextReplacement& entry : table) out = ReplaceAll(out, entry.from, entry.to);
  return out;
}

}  // namespace zelmo
