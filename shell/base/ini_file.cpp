#include "shell/base/ini_file.h"

#include <cstring>
#include <unordered_map>
#include <utility>

#include "shell/base/convert.h"
#include "shell/base/ini_disk.h"
#include "shell/base/ini_document.h"
#include "shell/base/ini_syntax.h"

namespace zelmo {

namespace {

// The longest value a reader gets, as the platform's profile functions gave.
constexpr std::size_t kMaxValueLength = 2047;

EIniFileException UnableToWrite(const std::string& path, std::string reason) {
  return EIniFileException("Unable to write to " + path, std::move(reason));
}

}  // namespace

// The parsed file and whether it could be read; an unreadable file reads as
// empty but must never be replaced, as that would lose what it holds.
class TIniFile::Document {
 public:
  Document(FileState state, std::shared_ptr<const IniDocument> text)
      : state_(state), text_(std::move(text)) {}

  FileState State() const { return state_; }
  const IniDocument& Text() const { return *text_; }
  const std::shared_ptr<const IniDocument>& SharedText() const { return text_; }

  // The same file after an edit.
  Document Edited(std::string content) const {
    return Document(state_, std::make_shared<const IniDocument>(std::move(content)));
  }

 private:
  FileState state_;
  std::shared_ptr<const IniDocument> text_;
};

struct IniFileCache::Entries {
  struct Entry {
    FileIdentity identity;
    std::shared_ptr<const IniDocument> text;
  };
  std::unordered_map<std::string, Entry> by_path;
};

IniFileCache::IniFileCache() : entries_(std::make_unique<Entries>()) {}
IniFileCache::~IniFileCache() = default;

TIniFile::TIniFile(std::string file_name, IniFileCache* cache)
    : file_name_(std::move(file_name)), cache_(cache) {}

TIniFile::~TIniFile() = default;

std::shared_ptr<const TIniFile::Document> TIniFile::Load() const {
  const FileStatus status = StatFile(file_name_);
  if (status.state != FileState::kReadable) {
    return std::make_shared<const Document>(status.state, std::make_shared<const IniDocument>());
  }
  if (cache_) {
    const auto& by_path = cache_->entries_->by_path;
    const auto found = by_path.find(file_name_);
    if (found != by_path.end() && found->second.identity == status.identity) {
      return std::make_shared<const Document>(FileState::kReadable, found->second.text);
    }
  }
  FileContent file = ReadFile(file_name_);
  auto text = std::make_shared<const IniDocument>(std::move(file.bytes));
  if (cache_ && file.state == FileState::kReadable) {
    cache_->entries_->by_path.insert_or_assign(file_name_,
                                               IniFileCache::Entries::Entry{file.identity, text});
  }
  return std::make_shared<const Document>(file.state, std::move(text));
}

void TIniFile::Store(const Document& document) {
  if (document.State() == FileState::kUnreadable) {
    throw UnableToWrite(file_name_, "the file cannot be read");
  }
  const std::string target = ResolveLinks(file_name_);
  if (auto refusal = ReplaceRefusal(target)) throw UnableToWrite(file_name_, std::move(*refusal));
  int error = 0;
  const std::optional<FileIdentity> identity =
      ReplaceFile(target, document.Text().Content(), &error);
  if (!identity) throw UnableToWrite(file_name_, std::strerror(error));
  if (cache_) {
    cache_->entries_->by_path.insert_or_assign(
        file_name_, IniFileCache::Entries::Entry{*identity, document.SharedText()});
  }
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view default_value) const {
  std::optional<std::string> value = ReadValue(section, key);
  return value ? std::move(*value) : std::string(default_value);
}

std::optional<std::string> TIniFile::ReadValue(std::string_view section,
                                               std::string_view key) const {
  const auto document = Load();  // the value is a view into it
  const std::optional<std::string_view> value = document->Text().Value(section, key);
  if (!value) return std::nullopt;
  return std::string(value->substr(0, kMaxValueLength));
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                                   std::int32_t default_value) const {
  return StrToIntDef(ReadString(section, key, ""), default_value);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool default_value) const {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (!IsStorableSection(section) || !IsStorableKey(key) || !IsStorableValue(value)) {
    throw UnableToWrite(file_name_, "a name or the value cannot be stored");
  }
  const auto old = Load();
  if (auto content = old->Text().WithValue(section, key, value)) {
    Store(old->Edited(std::move(*content)));
  }
}

std::vector<std::string> TIniFile::ReadSections() const {
  return Load()->Text().SectionNames();
}

void TIniFile::EraseSection(std::string_view section) {
  const auto old = Load();
  if (auto content = old->Text().WithoutSection(section)) Store(old->Edited(std::move(*content)));
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  const auto old = Load();
  if (auto content = old->Text().WithoutKey(section, key)) Store(old->Edited(std::move(*content)));
}

bool TIniFile::SectionExists(std::string_view section) const {
  return Load()->Text().HasKeys(section);
}

std::vector<IniEntry> TIniFile::Entries() const {
  return Load()->Text().Entries();
}

std::optional<int> TIniFile::LineOf(std::string_view section, std::string_view key) const {
  return Load()->Text().LineOf(section, key);
}

}  // namespace zelmo
