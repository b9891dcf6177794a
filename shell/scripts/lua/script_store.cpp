#include "shell/scripts/lua/script_store.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "shell/base/errors.h"
#include "shell/base/ini_disk.h"
#include "shell/base/ini_document.h"
#include "shell/base/ini_syntax.h"

namespace zelmo {

namespace {

constexpr const char* kSection = "Store";

std::string Percent(unsigned char byte) {
  char hex[4];
  std::snprintf(hex, sizeof hex, "%%%02X", byte);
  return hex;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool PlainKeyByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '-';
}

std::string NumberText(double number) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", number);
  return text;
}

template <typename Number>
bool ParseNumber(const std::string& text, Number& number) {
  const char* end = text.data() + text.size();
  auto [ptr, error] = std::from_chars(text.data() + 1, end, number);
  return error == std::errc() && ptr == end;
}

}  // namespace

std::string EscapeStoreKey(const std::string& key) {
  std::string out;
  for (unsigned char c : key) out += PlainKeyByte(c) ? std::string(1, c) : Percent(c);
  return out;
}

std::string EscapeStoreText(const std::string& text) {
  std::string out;
  for (unsigned char c : text)
    out += (c < 0x20 || c == 0x7F || c == '%') ? Percent(c) : std::string(1, c);
  return out;
}

std::string UnescapeStore(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string EncodeStoreValue(const StoreValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return "s" + EscapeStoreText(*text);
  if (const auto* whole = std::get_if<std::int64_t>(&value)) return "i" + std::to_string(*whole);
  if (const auto* fraction = std::get_if<double>(&value)) return "n" + NumberText(*fraction);
  return std::get<bool>(value) ? "b1" : "b0";
}

bool DecodeStoreValue(const std::string& text, StoreValue& value) {
  if (text.empty()) return false;
  switch (text[0]) {
    case 's':
      value = UnescapeStore(text.substr(1));
      return true;
    case 'i': {
      std::int64_t whole = 0;
      if (!ParseNumber(text, whole)) return false;
      value = whole;
      return true;
    }
    case 'n': {
      char* end = nullptr;
      double fraction = std::strtod(text.c_str() + 1, &end);
      if (end != text.c_str() + text.size() || text.size() == 1) return false;
      value = fraction;
      return true;
    }
    case 'b':
      if (text != "b1" && text != "b0") return false;
      value = text == "b1";
      return true;
    default:
      return false;
  }
}

void ScriptStore::Read() {
  values_.clear();
  changed_ = false;
  FileContent file = ReadFile(path_);
  unreadable_ = file.state == FileState::kUnreadable;
  if (file.state != FileState::kReadable) return;
  IniDocument document(std::move(file.bytes));
  for (const IniEntry& entry : document.Entries()) {
    if (entry.head || entry.section != kSection || values_.size() >= kMaxKeys) continue;
    std::optional<std::string_view> raw = document.Value(kSection, entry.key);
    StoreValue value;
    if (raw && DecodeStoreValue(std::string(*raw), value)) {
      values_[UnescapeStore(entry.key)] = std::move(value);
    }
  }
}

void ScriptStore::Set(const std::string& key, StoreValue value) {
  if (key.empty() || key.size() > kMaxKeyBytes) {
    throw Exception("a key must be 1 to " + std::to_string(kMaxKeyBytes) + " bytes long");
  }
  const auto* text = std::get_if<std::string>(&value);
  if (text && text->size() > kMaxValueBytes) {
    throw Exception("a value may be at most " + std::to_string(kMaxValueBytes) + " bytes long");
  }
  auto found = values_.find(key);
  if (found == values_.end() && values_.size() >= kMaxKeys) {
    throw Exception("the store is full (" + std::to_string(kMaxKeys) + " keys)");
  }
  if (found != values_.end() && found->second == value) return;
  values_[key] = std::move(value);
  changed_ = true;
}

void ScriptStore::Erase(const std::string& key) {
  if (values_.erase(key) > 0) changed_ = true;
}

const StoreValue* ScriptStore::Find(const std::string& key) const {
  auto found = values_.find(key);
  return found == values_.end() ? nullptr : &found->second;
}

void ScriptStore::Write() {
  if (!changed_ || path_.empty()) return;
  if (unreadable_) {
    // Writing would replace values that were never read.
    throw Exception("Unable to read " + path_ + ", so it is not written over");
  }
  std::string content = "[" + std::string(kSection) + "]\n";
  for (const auto& [key, value] : values_) {
    content += EscapeStoreKey(key) + "=" + EncodeValue(EncodeStoreValue(value)) + "\n";
  }
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ignored);
  int error = 0;
  if (!ReplaceFile(path_, content, &error)) {
    throw Exception("Unable to write to " + path_ + ": " + std::strerror(error));
  }
  changed_ = false;
}

}  // namespace zelmo
