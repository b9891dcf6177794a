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
  auto [at, end] = orders_.equal_range(name);
  if (at == end) return std::nullopt;
  std::size_t first = at->second;
  for (; at != end; ++at) first = std::min(first, at->second);
  return PositionOf(first);
}

std::vector<std::size_t> NameIndex::All(std::string_view name) const {
  std::vector<std::size_t> positions;
  auto [at, end] = orders_.equal_range(name);
  for (; at != end; ++at) positions.push_back(PositionOf(at->second));
  std::sort(positions.begin(), positions.end());
  return positions;
}

void NameIndex::Add(std::string_view name, std::size_t position) {
  if (position >= order_.size()) {
    position = order_.size();
    order_.push_back(next_order_++);
  }
  orders_.emplace(std::string(name), order_[position]);
}

void NameIndex::Remove(std::string_view name, std::size_t position) {
  if (position >= order_.size()) return;
  auto [at, end] = orders_.equal_range(name);
  for (; at != end; ++at) {
    if (at->second == order_[position]) {
      orders_.erase(at);
      return;
    }
  }
}

void NameIndex::Erase(std::string_view name, std::size_t position) {
  Remove(name, position);
  if (position < order_.size())
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(position));
}

std::size_t NameIndex::PositionOf(std::size_t order) const {
  return static_cast<std::size_t>(std::lower_bound(order_.begin(), order_.end(), order) -
                                  order_.begin());
}

}  // namespace zelmo
