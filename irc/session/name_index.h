#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zelmo {

// Hash and equality that ignore the case of ASCII letters, usable with any
// text type for lookups without building a key.
struct NoCaseHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const;
};

struct NoCaseEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

// The positions of the entries of an ordered list, by their name without
// regard to case. Several entries may share a name; the first one is the
// first match of a scan from the front.
class NameIndex {
 public:
  // Position of the first entry of that name.
  std::optional<std::size_t> First(std::string_view name) const;
  // Positions of every entry of that name, ascending; empty when none.
  std::vector<std::size_t> All(std::string_view name) const;

  // The entry at `position` now carries `name`: a renamed entry, or a new
  // one at the end of the list (`position` is then the old length).
  void Add(std::string_view name, std::size_t position);
  // The entry at `position` no longer carries `name`; the list is unchanged.
  void Remove(std::string_view name, std::size_t position);
  // The entry at `position`, named `name`, was deleted from the list, so
  // every later entry moved one place to the front.
  void Erase(std::string_view name, std::size_t position);

  void Clear() {
    orders_.clear();
    order_.clear();
  }

 private:
  std::size_t PositionOf(std::size_t order) const;

  // Each entry is known by a number handed out as entries are added, which
  // a deletion does not change: deleting an entry renumbers nothing, and an
  // entry's position is found by a binary search in order_. Lookups by name
  // stay constant-time however large the list (a NAMES reply of a big
  // channel, a part or quit from the front of one). One node per entry,
  // with nothing else to allocate: names are mostly unique.
  std::unordered_multimap<std::string, std::size_t, NoCaseHash, NoCaseEqual> orders_;
  // The number of each entry of the list, ascending like the list.
  std::vector<std::size_t> order_;
  std::size_t next_order_ = 0;
};

}  // namespace zelmo
