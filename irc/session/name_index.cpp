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
  auto found = orders_.find(name);
  if (found == orders_.end()) return std::nullopt;
  return PositionOf(found->second.front());
}

std::vector<std::size_t> NameIndex::All(std::string_view name) const {
  std::vector<std::size_t> positions;
  auto found = orders_.find(name);
  if (found == orders_.end()) return positions;
  for (std::size_t order : found->second) positions.push_back(PositionOf(order));
  return positions;
}

void NameIndex::Add(std::string_view name, std::size_t position) {
  if (position >= order_.size()) {
    position = order_.size();
    order_.push_back(next_order_++);
  }
  const std::size_t order = order_[position];
  auto found = orders_.find(name);
  if (found == orders_.end()) {
    orders_.emplace(std::string(name), std::vector<std::size_t>{order});
    return;
  }
  std::vector<std::size_t>& orders = found->second;
  orders.insert(std::upper_bound(orders.begin(), orders.end(), order), order);
}

void NameIndex::Remove(std::string_view name, std::size_t position) {
  auto found = orders_.find(name);
  if (found == orders_.end() || position >= order_.size()) return;
  std::vector<std::size_t>& orders = found->second;
  auto at = std::lower_bound(orders.begin(), orders.end(), order_[position]);
  if (at != orders.end() && *at == order_[position]) orders.erase(at);
  if (orders.empty()) orders_.erase(found);
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
