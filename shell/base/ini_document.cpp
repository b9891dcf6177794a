#include "shell/base/ini_document.h"

#include "shell/base/convert.h"
#include "shell/base/ini_syntax.h"

namespace zelmo {

namespace {

// Some editors put a UTF-8 byte order mark in front of the first line. It is
// no part of the text a reader sees, but it stays in the file.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Names never hold a line feed, so it cannot make two pairs look alike.
std::string KeyIndexName(std::string_view section, std::string_view key) {
  return LowerCase(section) + '\n' + LowerCase(key);
}

}  // namespace

IniDocument::IniDocument(std::string content) : content_(std::move(content)) {
  Parse();
}

void IniDocument::Parse() {
  const std::size_t first_lf = content_.find('\n');
  if (first_lf != std::string::npos && first_lf > 0 && content_[first_lf - 1] == '\r') {
    line_break_ = "\r\n";
  }
  if (content_.starts_with(kByteOrderMark)) text_begin_ = kByteOrderMark.size();
  std::size_t begin = text_begin_;
  while (begin < content_.size()) {
    const std::size_t lf = content_.find('\n', begin);
    if (lf == std::string::npos) {
      // A CR that ends the text ends the last line as a CR LF would: the
      // LF that a later edit puts behind it must not change the line.
      const std::size_t end = content_.back() == '\r' ? content_.size() - 1 : content_.size();
      AddLine(begin, end, content_.size());
      break;
    }
    const std::size_t end = (lf > begin && content_[lf - 1] == '\r') ? lf - 1 : lf;
    AddLine(begin, end, lf + 1);
    begin = lf + 1;
  }
  if (!sections_.empty()) sections_.back().body_end = content_.size();
}

void IniDocument::AddLine(std::size_t begin, std::size_t end, std::size_t next) {
  ++line_number_;
  const std::string_view line = Text(begin, end);
  const std::size_t lead = line.find_first_not_of(" \t");
  if (lead == std::string_view::npos || line[lead] == ';') return;
  if (line[lead] == '[') {
    const std::string_view rest = line.substr(lead + 1);
    AddHead(begin, next, TrimBlanks(rest.substr(0, rest.find(']'))));
    return;
  }
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return;
  const std::string_view key = TrimBlanks(line.substr(0, equals));
  if (sections_.empty()) {
    entries_.push_back(
        EntryLine{std::nullopt, Offset(key), Offset(key) + key.size(), false, line_number_});
    return;
  }
  const std::size_t after = begin + equals + 1;
  const std::size_t value_start = content_.find_first_not_of(" \t", after);
  const bool has_value = value_start != std::string::npos && value_start < end;
  AddKey(KeyLine{begin, has_value ? value_start : after, end, next, line_number_}, key);
}

std::size_t IniDocument::Offset(std::string_view part) const {
  return static_cast<std::size_t>(part.data() - content_.data());
}

void IniDocument::AddHead(std::size_t begin, std::size_t next, std::string_view name) {
  if (!sections_.empty()) sections_.back().body_end = begin;
  const std::size_t name_begin = Offset(name);
  entries_.push_back(EntryLine{sections_.size(), name_begin, name_begin, true, line_number_});
  sections_.push_back(Section{name_begin, name_begin + name.size(), begin, begin, next, 0});
  indexing_keys_ = section_index_.try_emplace(LowerCase(name), sections_.size() - 1).second;
}

void IniDocument::AddKey(const KeyLine& line, std::string_view key) {
  Section& section = sections_.back();
  ++section.key_count;
  section.insert_at = line.next;
  entries_.push_back(
      EntryLine{sections_.size() - 1, Offset(key), Offset(key) + key.size(), false, line.line});
  if (indexing_keys_) key_index_.try_emplace(KeyIndexName(SectionName(section), key), line);
}

std::string_view IniDocument::Text(std::size_t begin, std::size_t end) const {
  return std::string_view(content_).substr(begin, end - begin);
}

std::string_view IniDocument::SectionName(const Section& section) const {
  return Text(section.name_begin, section.name_end);
}

const IniDocument::Section* IniDocument::FindSection(std::string_view section) const {
  const auto found = section_index_.find(LowerCase(section));
  return found == section_index_.end() ? nullptr : &sections_[found->second];
}

const IniDocument::KeyLine* IniDocument::FindKey(std::string_view section,
                                                 std::string_view key) const {
  const auto found = key_index_.find(KeyIndexName(section, key));
  return found == key_index_.end() ? nullptr : &found->second;
}

std::optional<std::string_view> IniDocument::Value(std::string_view section,
                                                   std::string_view key) const {
  const KeyLine* line = FindKey(section, key);
  if (!line) return std::nullopt;
  return DecodeValue(Text(line->value_begin, line->end));
}

std::vector<IniEntry> IniDocument::Entries() const {
  std::vector<IniEntry> entries;
  entries.reserve(entries_.size());
  for (const EntryLine& entry : entries_) {
    const std::string_view section =
        entry.section ? SectionName(sections_[*entry.section]) : std::string_view();
    entries.push_back(IniEntry{std::string(section),
                               std::string(Text(entry.key_begin, entry.key_end)), entry.head,
                               entry.line});
  }
  return entries;
}

std::optional<int> IniDocument::LineOf(std::string_view section, std::string_view key) const {
  const KeyLine* line = FindKey(section, key);
  if (!line) return std::nullopt;
  return line->line;
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& section : sections_) names.emplace_back(SectionName(section));
  return names;
}

bool IniDocument::HasKeys(std::string_view section) const {
  const Section* found = FindSection(section);
  return found && found->key_count > 0;
}

std::optional<std::string> IniDocument::WithValue(std::string_view section, std::string_view key,
                                                  std::string_view value) const {
  if (const KeyLine* line = FindKey(section, key)) {
    if (DecodeValue(Text(line->value_begin, line->end)) == value) return std::nullopt;
    return Splice(line->value_begin, line->end, EncodeValue(value));
  }
  const std::string key_line = std::string(key) + "=" + EncodeValue(value) + line_break_;
  if (const Section* found = FindSection(section)) {
    return Splice(found->insert_at, found->insert_at, LineBreakBefore(found->insert_at) + key_line);
  }
  return content_ + AppendSeparator() + "[" + std::string(section) + "]" + line_break_ + key_line;
}

std::optional<std::string> IniDocument::WithoutKey(std::string_view section,
                                                   std::string_view key) const {
  const KeyLine* line = FindKey(section, key);
  if (!line) return std::nullopt;
  return Splice(line->begin, line->next, "");
}

std::optional<std::string> IniDocument::WithoutSection(std::string_view section) const {
  std::string kept;
  std::size_t copied_to = 0;
  bool found = false;
  for (const Section& candidate : sections_) {
    if (!SameText(SectionName(candidate), section)) continue;
    kept.append(content_, copied_to, candidate.head_begin - copied_to);
    copied_to = candidate.body_end;
    found = true;
  }
  if (!found) return std::nullopt;
  kept.append(content_, copied_to);
  return kept;
}

std::string IniDocument::Splice(std::size_t begin, std::size_t end, std::string_view insert) const {
  std::string result;
  result.reserve(content_.size() - (end - begin) + insert.size());
  result.append(content_, 0, begin).append(insert).append(content_, end);
  return result;
}

// A last line without a line break needs one before anything can follow it.
std::string IniDocument::LineBreakBefore(std::size_t position) const {
  const bool open_last_line =
      position == content_.size() && !content_.empty() && content_.back() != '\n';
  if (!open_last_line) return "";
  // A CR at the end is the first half of the line break already.
  return content_.back() == '\r' ? "\n" : line_break_;
}

// A new section stands apart from what precedes it by one blank line.
std::string IniDocument::AppendSeparator() const {
  if (content_.size() == text_begin_) return "";
  std::string separator = LineBreakBefore(content_.size());
  std::size_t last_end = content_.size();
  if (content_.back() == '\n') {
    --last_end;
    if (last_end > 0 && content_[last_end - 1] == '\r') --last_end;
  }
  const std::size_t lf = last_end == 0 ? std::string::npos : content_.rfind('\n', last_end - 1);
  const std::size_t last_begin = lf == std::string::npos ? text_begin_ : lf + 1;
  if (!TrimBlanks(Text(last_begin, last_end)).empty()) separator += line_break_;
  return separator;
}

}  // namespace zelmo
