// A DICT server's answer to DEFINE as the dictionary lookup reads it, and the
// translations it takes from each definition. The input's first line is the
// word to quote; the rest is the answer, its lines ending at line feeds.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "channel/dict_protocol.h"
#include "channel/translations.h"
#include "shell/base/errors.h"
#include "support/fuzz_check.h"

namespace {

using namespace zelmo;

// The line reader's lines: without the LF and a CR before it. A closed link
// raises, as the transport does.
class Answer {
 public:
  explicit Answer(std::string_view text) : text_(text) {}
  std::string NextLine() {
    if (text_.empty()) throw Exception("Connection Closed Gracefully.");
    const std::size_t end = std::min(text_.find('\n'), text_.size());
    std::string line(text_.substr(0, end));
    if (end < text_.size() && !line.empty() && line.back() == '\r') line.pop_back();
    text_.remove_prefix(std::min(end + 1, text_.size()));
    return line;
  }

 private:
  std::string_view text_;
};

// What the server reads back out of the quoted word.
std::string Unquoted(std::string_view quoted) {
  std::string word;
  for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
    if (quoted[i] == '\\') ++i;
    word += quoted[i];
  }
  return word;
}

void CheckCommand(const std::string& word) {
  std::string command;
  try {
    command = DefineCommand("fd-fin-eng", word);
  } catch (const Exception&) {
    const auto escapes = static_cast<std::size_t>(std::count(word.begin(), word.end(), '\\'));
    const bool too_long = 22 + word.size() + escapes > kMaxDictCommandLine;
    const bool refusable = too_long || word.find('"') != std::string::npos ||
                           std::any_of(word.begin(), word.end(), [](char c) {
                             return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
                           });
    FUZZ_CHECK(refusable);
    return;
  }
  FUZZ_CHECK(command.size() + 2 <= kMaxDictCommandLine);
  FUZZ_CHECK(command.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
  FUZZ_CHECK(command.starts_with("DEFINE fd-fin-eng \"") && command.back() == '"');
  FUZZ_CHECK(Unquoted(std::string_view(command).substr(18)) == word);
}

void CheckTranslations(const std::string& definition) {
  const std::vector<std::string> translations = DefinitionTranslations(definition);
  for (std::size_t i = 0; i < translations.size(); ++i) {
    const std::string& one = translations[i];
    FUZZ_CHECK(!one.empty() && one.front() != ' ' && one.back() != ' ');
    FUZZ_CHECK(one.find_first_of(",;\n") == std::string::npos);
    FUZZ_CHECK(definition.find(one) != std::string::npos);
    FUZZ_CHECK(std::find(translations.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                         translations.end(), one) == translations.end());
  }
  // The headword line never gives a translation.
  const std::size_t first_end = definition.find('\n');
  if (first_end == std::string::npos) FUZZ_CHECK(translations.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Answer answer(std::string_view(reinterpret_cast<const char*>(data), size));
  std::string word;
  try {
    word = answer.NextLine();
  } catch (const Exception&) {
    return 0;
  }
  CheckCommand(word);
  std::vector<std::string> definitions;
  try {
    definitions = ReadDefinitions([&answer] { return answer.NextLine(); }, 4096);
  } catch (const Exception&) {
    return 0;
  }
  std::size_t bytes = 0;
  for (const std::string& definition : definitions) {
    FUZZ_CHECK(definition.empty() || definition.back() == '\n');
    bytes += definition.size();
    CheckTranslations(definition);
  }
  FUZZ_CHECK(bytes <= 4096);
  return 0;
}
