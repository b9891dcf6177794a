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
// regard to case. Several entries may share a name; their positions are kept
// ascending, so the first one is the first match of a scan from the front.
class NameIndex {
 public:
  // Position of the first entry of that name.
  std::optional<std::size_t> First(std::string_view name) const;
  // Positions of every entry of that name, ascending; empty when none.
  const std::vector<std::size_t>& All(std::string_view name) const;

  // The entry at `position` now carries `name`.
  void Add(std::string_view name, std::size_t position);
  // The entry at `position` no longer carries `name`; the list is unchanged.
  void Remove(std::string_view name, std::size_t position);
  // The entry at `position`, named `name`, was deleted from the list, so
  // every later entry moved one place to the front. Every entry of the list
  // must be indexed, as Add made it.
  void Erase(std::string_view name, std::size_t position);

  void Clear() {
    positions_.clear();
    count_ = 0;
  }

 private:
  std::unordered_map<std::string, std::vector<std::size_t>, NoCaseHash, NoCaseEqual> positions_;
  // Every entry of the list is indexed once, so this is the list's length
  // except while an entry is being renamed.
  std::size_t count_ = 0;
};

}  // namespace zelmo
