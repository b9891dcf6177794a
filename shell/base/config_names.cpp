#include "shell/base/config_names.h"

#include <algorithm>
#include <numeric>
#include <unordered_set>

#include "shell/base/config_keys.h"
#include "shell/base/convert.h"

namespace zelmo {

namespace {

// A slip of one character in a short name, two in a longer one, three at
// most: farther than that, a suggestion would be a guess.
bool IsNear(std::string_view typed, std::size_t distance) {
  return distance <= std::clamp<std::size_t>(typed.size() / 3, 1, 3);
}

template <class Names>
std::optional<std::string_view> Nearest(std::string_view typed, const Names& names) {
  std::optional<std::string_view> best;
  std::size_t best_distance = 0;
  for (std::string_view name : names) {
    const std::size_t distance = NameDistance(typed, name);
    if (IsNear(typed, distance) && (!best || distance < best_distance)) {
      best = name;
      best_distance = distance;
    }
  }
  return best;
}

std::vector<std::string_view> SectionNames() {
  std::vector<std::string_view> names;
  for (const ConfigKey* key : kConfigKeys) {
    if (std::ranges::find(names, key->section) == names.end()) names.push_back(key->section);
  }
  return names;
}

std::vector<std::string_view> KeyNames(std::string_view section) {
  std::vector<std::string_view> names;
  if (ChannelOfSection(section)) {
    for (const ConfigKey* key : kChannelOnlyKeys) names.push_back(key->name);
    section = kProtectSection;
  }
  for (const ConfigKey* key : kConfigKeys) {
    if (key->section == section) names.push_back(key->name);
  }
  return names;
}

// A known section as the table writes it; a channel's section as written.
std::optional<std::string_view> KnownSection(const IniEntry& entry) {
  if (ChannelOfSection(entry.section)) return entry.section;
  return FindConfigSection(entry.section);
}

bool IsKnownKey(const IniEntry& entry) {
  if (ChannelOfSection(entry.section)) return FindChannelKey(entry.key) != nullptr;
  return FindConfigKey(entry.section, entry.key) != nullptr;
}

std::string UnknownSection(const IniEntry& entry) {
  std::string text = "Unknown section [" + entry.section + "]";
  if (auto near = Nearest(entry.section, SectionNames())) {
    text += "; did you mean [" + std::string(*near) + "]?";
  }
  return text;
}

// A name of another section, written exactly, is a key put in the wrong
// place.
std::string UnknownKey(const IniEntry& entry, std::string_view section) {
  std::string text = "Unknown key " + entry.key + " in [" + std::string(section) + "]";
  if (auto near = Nearest(entry.key, KeyNames(section))) {
    return text + "; did you mean " + std::string(*near) + "?";
  }
  for (const ConfigKey* key : kConfigKeys) {
    if (SameText(key->name, entry.key)) return text + "; did you mean " + KeyName(*key) + "?";
  }
  return text;
}

std::optional<std::string> NoteOn(const IniEntry& entry, std::unordered_set<std::string>& seen) {
  if (entry.section.empty() && !entry.head) {
    return "Key " + entry.key + " stands before any section and is not read";
  }
  const std::optional<std::string_view> section = KnownSection(entry);
  if (!section) return entry.head ? std::optional(UnknownSection(entry)) : std::nullopt;
  const std::string name = LowerCase(entry.section) + "\n" + LowerCase(entry.key);
  if (!seen.insert(name).second) {
    return entry.head
               ? "Section [" + entry.section + "] appears again: only its first keys are read"
               : "Key " + entry.key + " appears again in [" + entry.section +
                     "]: only its first value is read";
  }
  if (entry.head || IsKnownKey(entry)) return std::nullopt;
  return UnknownKey(entry, *section);
}

}  // namespace

std::size_t NameDistance(std::string_view a, std::string_view b) {
  // Three rows of the table of distances between prefixes.
  std::vector<std::size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
  std::iota(previous.begin(), previous.end(), 0);
  for (std::size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const bool same = UpperChar(a[i - 1]) == UpperChar(b[j - 1]);
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + !same});
      if (i > 1 && j > 1 && UpperChar(a[i - 1]) == UpperChar(b[j - 2]) &&
          UpperChar(a[i - 2]) == UpperChar(b[j - 1])) {
        current[j] = std::min(current[j], before[j - 2] + 1);
      }
    }
    before.swap(previous);
    previous.swap(current);
  }
  return previous[b.size()];
}

std::vector<ConfigNote> UnknownConfigNames(const TIniFile& config) {
  std::vector<ConfigNote> notes;
  std::unordered_set<std::string> seen;
  for (const IniEntry& entry : config.Entries()) {
    if (auto text = NoteOn(entry, seen)) notes.push_back(ConfigNote{entry.line, std::move(*text)});
  }
  return notes;
}

}  // namespace zelmo
