#pragma once

#include <optional>
#include <string>
#include <vector>

#include "shell/base/ini_file.h"

namespace zelmo {

// Something a check of Config.ini found, for the operator: the line it is
// on (when it is about one line) and what it is.
struct ConfigNote {
  std::optional<int> line;
  std::string text;
};

// The sections and keys of the file that the bot does not know, and keys
// that it never reads (before the first section, or a second time), each
// with the nearest known name when one is near enough to be a typing slip:
// "Unknown key Nikc in [Me]; did you mean Nick?", "Unknown section [Mee];
// did you mean [Me]?". In file order; a section that is unknown is told
// once, not for each of its keys.
std::vector<ConfigNote> UnknownConfigNames(const TIniFile& config);

// The number of single-character edits (insert, delete, replace, swap of
// two neighbours) that turn one name into the other, ignoring ASCII case.
std::size_t NameDistance(std::string_view a, std::string_view b);

}  // namespace zelmo
