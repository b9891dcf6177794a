#include "user_file_check.h"

namespace zelmo::testing {

std::optional<std::string> IniSection::Value(const std::string& key) const {
  for (const auto& [name, value] : keys) {
    if (name == key) return value;
  }
  return std::nullopt;
}

std::optional<std::vector<IniSection>> ParseWholeIni(const std::string& text, std::string& why) {
  if (text.empty()) {
    why = "the file is empty";
    return std::nullopt;
  }
  if (text.back() != '\n') {
    why = "the last line is cut off";
    return std::nullopt;
  }
  std::vector<IniSection> sections;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = text.substr(start, end - start);
    if (line.empty()) continue;
    if (line.front() == '[' && line.back() == ']') {
      sections.push_back({line.substr(1, line.size() - 2), {}});
      continue;
    }
    auto equals = line.find('=');
    if (equals == std::string::npos || equals == 0 || sections.empty()) {
      why = "a line that is no INI line: \"" + line + "\"";
      return std::nullopt;
    }
    sections.back().keys.emplace_back(line.substr(0, equals), line.substr(equals + 1));
  }
  return sections;
}

const IniSection* FindSection(const std::vector<IniSection>& sections, const std::string& name) {
  for (const auto& section : sections) {
    if (section.name == name) return &section;
  }
  return nullptr;
}

}  // namespace zelmo::testing
