#include "irc/session/name_index.h"

#include <algorithm>
#include <cstdint>

#include "shell/base/convert.h"

namespace zelmo {

std::size_t NoCaseHash::operator()(std::string_view text) const {
  // FNV-1a over the upper-cased bytes.
  std::uint64_t hash = 14695981039346656037ull;
  for (char c : text) {
    hash ^= static_cast<unsigned char>(UpperChar(c));
    hash *= 1099511628211ull;
  }
  return static_cast<std::size_t>(hash);
}

bool NoCaseEqual::operator()(std::string_view a, std::string_view b) const {
  return SameText(a, b);
}

std::optional<std::size_t> NameIndex::First(std::string_view name) const {
  const std::vector<std::size_t>& positions = All(name);
  if (positions.empty()) return std::nullopt;
  return positions.front();
}

const std::vector<std::size_t>& NameIndex::All(std::string_view name) const {
  static const std::vector<std::size_t> kNone;
  auto found = positions_.find(name);
  return found == positions_.end() ? kNone : found->second;
}

void NameIndex::Add(std::string_view name, std::size_t position) {
  auto found = positions_.find(name);
  if (found == positions_.end()) {
    positions_.emplace(std::string(name), std::vector<std::size_t>{position});
    ++count_;
    return;
  }
  std::vector<std::size_t>& positions = found->second;
  positions.insert(std::upper_bound(positions.begin(), positions.end(), position), position);
  ++count_;
}

void NameIndex::Remove(std::string_view name, std::size_t position) {
  auto found = positions_.find(name);
  if (found == positions_.end()) return;
  std::vector<std::size_t>& positions = found->second;
  auto at = std::lower_bound(positions.begin(), positions.end(), position);
  if (at != positions.end() && *at == position) {
    positions.erase(at);
    --count_;
  }
  if (positions.empty()) positions_.erase(found);
}

void NameIndex::Erase(std::string_view name, std::size_t position) {
  Remove(name, position);
  // The common case, the newest entry going, moves nothing.
  if (position >= count_) return;
  for (auto& entry : positions_) {
    for (std::size_t& later : entry.second) {
      if (later > position) --later;
    }
  }
}

}  // namespace zelmo
