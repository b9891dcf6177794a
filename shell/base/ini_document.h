#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zelmo {

// A section head or a key line as the file has it.
struct IniEntry {
  std::string section;  // the section it stands in; empty before the first head
  std::string key;      // empty for a head
  bool head = false;
  int line = 0;  // 1 for the first line
};

// The text of one INI file, parsed once and indexed for lookups. The text is
// kept as it came, bytes and line breaks included, so that an edit can be
// made by splicing: every line the edit does not touch stays byte for byte.
// Lookups take the first section of a name and the first key of a name in
// it, matching names without regard to ASCII case.
class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(std::string content);
  IniDocument(const IniDocument&) = delete;
  IniDocument& operator=(const IniDocument&) = delete;

  const std::string& Content() const { return content_; }

  // The value without surrounding blanks and one pair of quotes, uncut.
  std::optional<std::string_view> Value(std::string_view section, std::string_view key) const;
  // Every section head in file order, also heads of sections without keys.
  std::vector<std::string> SectionNames() const;
  bool HasKeys(std::string_view section) const;
  // Every head and key line in file order, also those a lookup never takes
  // (a second section or key of a name, keys before the first head).
  std::vector<IniEntry> Entries() const;
  // The line a lookup of the key takes its value from.
  std::optional<int> LineOf(std::string_view section, std::string_view key) const;

  // The text after the edit, or nothing when the edit would change nothing.
  // Names and the value must already be known to be storable.
  std::optional<std::string> WithValue(std::string_view section, std::string_view key,
                                       std::string_view value) const;
  std::optional<std::string> WithoutKey(std::string_view section, std::string_view key) const;
  std::optional<std::string> WithoutSection(std::string_view section) const;

 private:
  // Positions are offsets into content_, so the index never dangles.
  struct Section {
    std::size_t name_begin;
    std::size_t name_end;
    std::size_t head_begin;  // start of the head line
    std::size_t body_end;    // start of the next head line, or the end of the text
    std::size_t insert_at;   // just past the last key line, or past the head line
    std::size_t key_count;
  };
  struct KeyLine {
    std::size_t begin;        // start of the line
    std::size_t value_begin;  // start of the part a new value replaces
    std::size_t end;          // end of the line's text, line break excluded
    std::size_t next;         // start of the next line
    int line;
  };
  // A line for Entries(): offsets of the key name (empty for a head) and
  // the section it stands in (none before the first head).
  struct EntryLine {
    std::optional<std::size_t> section;
    std::size_t key_begin;
    std::size_t key_end;
    bool head;
    int line;
  };

  void Parse();
  void AddLine(std::size_t begin, std::size_t end, std::size_t next);
  void AddHead(std::size_t begin, std::size_t next, std::string_view name);
  void AddKey(const KeyLine& line, std::string_view key);
  std::size_t Offset(std::string_view part) const;

  std::string_view Text(std::size_t begin, std::size_t end) const;
  std::string_view SectionName(const Section& section) const;
  const Section* FindSection(std::string_view section) const;
  const KeyLine* FindKey(std::string_view section, std::string_view key) const;
  std::string Splice(std::size_t begin, std::size_t end, std::string_view insert) const;
  std::string LineBreakBefore(std::size_t position) const;
  std::string AppendSeparator() const;

  std::string content_;
  std::size_t text_begin_ = 0;  // past a byte order mark
  std::string line_break_ = "\n";
  std::vector<Section> sections_;
  std::vector<EntryLine> entries_;
  int line_number_ = 0;                                         // of the line being parsed
  std::unordered_map<std::string, std::size_t> section_index_;  // lower-case name -> first
  std::unordered_map<std::string, KeyLine> key_index_;          // "section\nkey", lower-case
  bool indexing_keys_ = false;  // the current section is the first of its name
};

}  // namespace zelmo
