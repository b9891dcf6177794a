#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "shell/base/errors.h"
#include "shell/base/ini_document.h"

namespace zelmo {

// A write the file system refused: "Unable to write to %s" with the path,
// and why, in words, for the operator's display.
class EIniFileException : public Exception {
 public:
  EIniFileException(const std::string& message, std::string reason)
      : Exception(message), reason_(std::move(reason)) {}
  const std::string& Reason() const { return reason_; }

 private:
  std::string reason_;
};

class IniFileCache;

// An INI file on a full path, opened for one operation. Section and key names
// match without regard to ASCII case; values are bytes, passed through as
// they are. Every read looks at the file itself, so a hand edit is seen by
// the next read; every write replaces the whole file at once (a temporary
// file in the same folder, flushed to disk, then renamed over the old one),
// so the file is never left truncated or half-written.
class TIniFile {
 public:
  // With a cache, a file that has not changed on disk since it was last
  // parsed (same device, inode, size and modification time) is not parsed
  // again; the file is still checked at every operation.
  explicit TIniFile(std::string file_name, IniFileCache* cache = nullptr);
  ~TIniFile();
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  const std::string& FileName() const { return file_name_; }

  // The value after the first "=", without surrounding blanks and without
  // one enclosing pair of quotes, at most 2047 characters; the default when
  // the file, the section or the key is missing.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value) const;
  // The same value, or none when the file, the section or the key is
  // missing: a key written empty is there.
  std::optional<std::string> ReadValue(std::string_view section, std::string_view key) const;
  // "0x"/"0X" with more than two characters is hexadecimal; otherwise a
  // decimal with optional sign, or hexadecimal after "$"; else the default.
  std::int32_t ReadInteger(std::string_view section, std::string_view key,
                           std::int32_t default_value) const;
  // ReadInteger with the default as 0 or 1; true for anything but 0.
  bool ReadBool(std::string_view section, std::string_view key, bool default_value) const;

  // Creates the file, the section or the key as needed, else replaces the
  // value in place. Raises EIniFileException and leaves the file exactly as
  // it was when it cannot be written, and also when the section or key name
  // or the value could not be read back as written (line breaks, a "]" in a
  // section name, a "=" in a key, blanks around a name, and the like).
  void WriteString(std::string_view section, std::string_view key, std::string_view value);

  // Every section name, in file order, as written in the file.
  std::vector<std::string> ReadSections() const;
  // Removes the section (every section of that name) with its keys.
  void EraseSection(std::string_view section);
  // Removes the key; an absent key is no error.
  void DeleteKey(std::string_view section, std::string_view key);
  // True when the section holds at least one key.
  bool SectionExists(std::string_view section) const;
  // Every head and key line with its line number, in file order.
  std::vector<IniEntry> Entries() const;
  // The line that ReadValue takes the key's value from.
  std::optional<int> LineOf(std::string_view section, std::string_view key) const;

 private:
  class Document;
  std::shared_ptr<const Document> Load() const;
  void Store(const Document& document);

  std::string file_name_;
  IniFileCache* cache_;
};

// Parsed files kept between operations, keyed by path and checked against
// the file's identity on disk at every use. Owned by whoever owns the bot.
class IniFileCache {
 public:
  IniFileCache();
  ~IniFileCache();
  IniFileCache(const IniFileCache&) = delete;
  IniFileCache& operator=(const IniFileCache&) = delete;

 private:
  friend class TIniFile;
  struct Entries;
  std::unique_ptr<Entries> entries_;
};

}  // namespace zelmo
