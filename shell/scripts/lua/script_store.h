#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <variant>

namespace zelmo {

// What bot.store keeps: a text, a whole number, a fraction or a switch.
using StoreValue = std::variant<std::string, std::int64_t, double, bool>;

// A script's small persistent table, held in memory and written whole to its
// INI file (section [Store]) by the crash-safe replace, so a crash leaves the
// old or the new file. Keys and texts are escaped so that any bytes,
// letter case included, read back as they were written.
class ScriptStore {
 public:
  static constexpr std::size_t kMaxKeys = 10'000;
  static constexpr std::size_t kMaxKeyBytes = 256;
  static constexpr std::size_t kMaxValueBytes = 4096;

  // No path: the store lives in memory only.
  explicit ScriptStore(std::string path) : path_(std::move(path)) {}

  // Reads the file; a missing file is an empty store, lines that do not
  // decode are left out. A file that is there but cannot be read is never
  // written over.
  void Read();
  // Raises Exception with the reason when the key or value is past a bound.
  void Set(const std::string& key, StoreValue value);
  void Erase(const std::string& key);
  const StoreValue* Find(const std::string& key) const;
  bool Changed() const { return changed_; }
  // Writes the file when anything changed; raises Exception naming the file
  // when it cannot be written (the changes stay, for the next try).
  void Write();
  const std::map<std::string, StoreValue>& Values() const { return values_; }

 private:
  std::string path_;
  std::map<std::string, StoreValue> values_;
  bool changed_ = false;
  bool unreadable_ = false;
};

// The file's text of a value and back ("sHello", "i42", "n0.5", "b1").
std::string EncodeStoreValue(const StoreValue& value);
bool DecodeStoreValue(const std::string& text, StoreValue& value);
// Bytes outside letters, digits and "_.-", and capitals, as %XX.
std::string EscapeStoreKey(const std::string& key);
// Control bytes and "%" as %XX.
std::string EscapeStoreText(const std::string& text);
std::string UnescapeStore(const std::string& text);

}  // namespace zelmo
