#include "channel/translations.h"

#include <algorithm>
#include <optional>

namespace zelmo {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    lines.push_back(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return lines;
}

// A number and a full stop, as at the start of a sense or in a mark of a
// further explanation.
bool IsNumberMark(std::string_view text) {
  return text.size() >= 2 && text.back() == '.' &&
         std::all_of(text.begin(), text.end() - 1, IsDigit);
}

// The rest of the line when it opens sense number `sense`.
std::optional<std::string_view> SenseText(std::string_view line, int sense) {
  const std::string mark = std::to_string(sense) + ". ";
  if (!line.starts_with(mark)) return std::nullopt;
  return line.substr(mark.size());
}

// A blank and a number mark end a translation line whose sense goes on with
// more than one explanation.
std::string_view WithoutExplanationMark(std::string_view line) {
  const std::size_t blank = line.rfind(' ');
  if (blank != std::string_view::npos && IsNumberMark(line.substr(blank + 1))) {
    return line.substr(0, blank);
  }
  return line;
}

void AddPieces(TranslationList& list, std::string_view line) {
  std::string_view rest = WithoutExplanationMark(line);
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find_first_of(",;"), rest.size());
    const std::string_view piece = Trimmed(rest.substr(0, end));
    if (!piece.empty()) list.Add(piece);
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
}

}  // namespace

std::vector<std::string> DefinitionTranslations(std::string_view definition) {
  const std::vector<std::string_view> lines = Lines(definition);
  TranslationList translations;
  if (lines.size() < 2) return {};
  const bool numbered = SenseText(lines[1], 1).has_value();
  int senses = 0;
  bool awaiting_translations = !numbered;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (numbered) {
      if (auto text = SenseText(line, senses + 1)) {
        ++senses;
        AddPieces(translations, *text);
        continue;
      }
    }
    if (awaiting_translations && !IsNumberMark(Trimmed(line))) AddPieces(translations, line);
    awaiting_translations = false;
  }
  return translations.Take();
}

void TranslationList::Add(std::string_view translation) {
  if (items_.size() >= capacity_) {
    cut_ = cut_ || !seen_.contains(std::string(translation));
    return;
  }
  if (seen_.emplace(translation).second) items_.emplace_back(translation);
}

void TranslationList::AddAll(const std::vector<std::string>& translations) {
  for (const std::string& translation : translations) Add(translation);
}

}  // namespace zelmo
