#include "channel/dict_protocol.h"

#include <algorithm>

#include "shell/base/errors.h"

namespace zelmo {

namespace {

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

std::string QuotedString(std::string_view word) {
  std::string quoted = "\"";
  for (char c : word) {
    if (c == '"' || IsControl(c)) throw Exception("The word cannot be quoted");
    if (c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

// Takes a line's bytes and its line end from the budget.
void Spend(std::size_t& budget, std::string_view line) {
  if (line.size() + 1 > budget) throw Exception("The definitions are too long");
  budget -= line.size() + 1;
}

// One definition's text up to the line "." that ends it, which is counted
// too: a definition without text still costs its status and closing lines.
std::string ReadText(const std::function<std::string()>& next_line, std::size_t& budget) {
  std::string text;
  for (std::string line = next_line();; line = next_line()) {
    Spend(budget, line);
    if (line == ".") return text;
    if (line.starts_with("..")) line.erase(0, 1);
    text.append(line).append("\n");
  }
}

}  // namespace

std::string DefineCommand(std::string_view database, std::string_view word) {
  std::string command = "DEFINE " + std::string(database) + " " + QuotedString(word);
  if (command.size() + 2 > kMaxDictCommandLine) throw Exception("The word is too long");
  return command;
}

int DictStatus(std::string_view line) {
  const bool digits = line.size() >= 3 && std::all_of(line.begin(), line.begin() + 3,
                                                      [](char c) { return c >= '0' && c <= '9'; });
  if (!digits || (line.size() > 3 && line[3] != ' ')) {
    throw Exception("Not a DICT status line: " + std::string(line));
  }
  return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

std::vector<std::string> ReadDefinitions(const std::function<std::string()>& next_line,
                                         std::size_t max_bytes) {
  const std::string first = next_line();
  const int status = DictStatus(first);
  if (status == kDictNoMatch) return {};
  if (status != kDictDefinitions) throw Exception("DICT server: " + first);
  std::vector<std::string> definitions;
  for (std::string line = next_line();; line = next_line()) {
    const int code = DictStatus(line);
    if (code == kDictOk) return definitions;
    if (code != kDictDefinition) throw Exception("DICT server: " + line);
    Spend(max_bytes, line);
    definitions.push_back(ReadText(next_line, max_bytes));
  }
}

}  // namespace zelmo
