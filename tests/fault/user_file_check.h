#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zelmo::testing {

// A user file as the tests read it, independently of the bot's own INI
// code: sections in file order, each with its keys in file order.
struct IniSection {
  std::string name;
  std::vector<std::pair<std::string, std::string>> keys;

  std::optional<std::string> Value(const std::string& key) const;
  bool operator==(const IniSection&) const = default;
};

// Parses strictly: every line must be a section head, a "key=value" line
// inside a section, or empty; the text must end with a line break. Anything
// else (a torn line, a stray fragment, an empty file) gives nothing, with the
// reason in `why`.
std::optional<std::vector<IniSection>> ParseWholeIni(const std::string& text, std::string& why);

// The first section of that name (exact), or nullptr.
const IniSection* FindSection(const std::vector<IniSection>& sections, const std::string& name);

}  // namespace zelmo::testing
