// The INI store on arbitrary file bytes: what it reads, and a write, a key
// deletion and a section erasure that must keep every other section and
// key as they read before. The last three input bytes choose the section,
// the key and the value to write; the bytes before them are the file.

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/base/convert.h"
#include "shell/base/ini_document.h"
#include "shell/base/ini_file.h"
#include "shell/base/ini_syntax.h"
#include "support/fuzz_check.h"
#include "support/scratch_folder.h"

namespace {

using namespace zelmo;
using namespace std::string_literals;

constexpr std::size_t kMaxNames = 48;
constexpr std::size_t kMaxValueLength = 2047;

const std::vector<std::string> kExtraSections = {
    "General", "Address", "NewSection", "",      " lead", "trail ", "a]b",
    "[x",      "x\ny",    "x\ry",       "x\0y"s, "#chan", "a=b",    "\t"};
const std::vector<std::string> kExtraKeys = {
    "Password", "Rights_General", "NewKey", "",    " k", "k ",       "a=b",      "[k",
    ";k",       "k\nv",           "k\rv",   "\0"s, "k]", "Hostmask", "HostMask", "#k"};
const std::vector<std::string> kExtraValues = {
    "",     "value", " lead", "trail ", "\"quoted\"",           "'single'",      "\"",
    "a\nb", "a\rb",  "a\0b"s, "x=y",    std::string(3000, 'v'), "[NotASection]", ";comment",
    "\t",   "\"\"",  "-1",    "0x7F"};

std::string* folder = nullptr;

std::string ReadBytes(const std::string& path) {
  std::string bytes;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  FUZZ_CHECK(fd >= 0);
  char buffer[4096];
  for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;) {
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  return bytes;
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  FUZZ_CHECK(fd >= 0);
  FUZZ_CHECK(write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
  close(fd);
}

// Key names as a reader may find them: the text before the first "=" of
// any line that is no head or comment, without surrounding blanks.
std::vector<std::string> KeyNames(std::string_view content) {
  std::vector<std::string> keys;
  while (!content.empty() && keys.size() < kMaxNames) {
    const std::size_t lf = content.find('\n');
    std::string_view line = content.substr(0, lf);
    content.remove_prefix(lf == std::string_view::npos ? content.size() : lf + 1);
    const std::string_view trimmed = TrimBlanks(line);
    const std::size_t equals = line.find('=');
    if (trimmed.empty() || trimmed[0] == '[' || trimmed[0] == ';' ||
        equals == std::string_view::npos) {
      continue;
    }
    std::string key(TrimBlanks(line.substr(0, equals)));
    if (!key.empty()) keys.push_back(std::move(key));
  }
  return keys;
}

// Every (section, key) pair the file may hold, and what it reads as.
struct Snapshot {
  std::vector<std::string> sections;
  std::vector<std::string> keys;
  std::vector<std::optional<std::string>> values;  // sections x keys

  Snapshot(const IniDocument& document, std::vector<std::string> key_names)
      : sections(document.SectionNames()), keys(std::move(key_names)) {
    if (sections.size() > kMaxNames) sections.resize(kMaxNames);
    for (const std::string& section : sections) {
      for (const std::string& key : keys) {
        auto value = document.Value(section, key);
        values.push_back(value ? std::optional<std::string>(*value) : std::nullopt);
      }
    }
  }

  // Every pair that `skip` does not exclude reads the same in the document.
  template <typename Skip>
  void CheckKept(const IniDocument& document, Skip skip) const {
    for (std::size_t s = 0; s < sections.size(); ++s) {
      for (std::size_t k = 0; k < keys.size(); ++k) {
        if (skip(sections[s], keys[k])) continue;
        auto value = document.Value(sections[s], keys[k]);
        const auto& before = values[s * keys.size() + k];
        FUZZ_CHECK(value.has_value() == before.has_value());
        FUZZ_CHECK(!value || *value == *before);
      }
    }
  }
};

const std::string& Pick(std::uint8_t choice, const std::vector<std::string>& found,
                        const std::vector<std::string>& extra, std::string& storage) {
  const std::size_t index = choice % (found.size() + extra.size());
  storage = index < found.size() ? found[index] : extra[index - found.size()];
  // Names match without regard to case, so a write may name them otherwise.
  if (choice & 0x80) storage = UpperCase(storage);
  return storage;
}

void CheckReads(const TIniFile& ini, const IniDocument& document, const Snapshot& snapshot) {
  FUZZ_CHECK(ini.ReadSections() == document.SectionNames());
  for (std::size_t s = 0; s < snapshot.sections.size() && s < 4; ++s) {
    const std::string& section = snapshot.sections[s];
    FUZZ_CHECK(ini.SectionExists(section) == document.HasKeys(section));
    for (std::size_t k = 0; k < snapshot.keys.size() && k < 4; ++k) {
      const auto& value = snapshot.values[s * snapshot.keys.size() + k];
      const std::string read = ini.ReadString(section, snapshot.keys[k], "\x01");
      FUZZ_CHECK(read == (value ? value->substr(0, kMaxValueLength) : "\x01"));
      FUZZ_CHECK(ini.ReadInteger(section, snapshot.keys[k], -7) == StrToIntDef(read, -7));
    }
  }
}

void CheckWrite(TIniFile& ini, const std::string& content, const IniDocument& before,
                const Snapshot& snapshot, const std::string& section, const std::string& key,
                const std::string& value) {
  const bool storable = IsStorableSection(section) && IsStorableKey(key) && IsStorableValue(value);
  try {
    ini.WriteString(section, key, value);
  } catch (const EIniFileException& error) {
    FUZZ_CHECK(!storable);
    FUZZ_CHECK(error.what() == "Unable to write to " + ini.FileName());
    FUZZ_CHECK(ReadBytes(ini.FileName()) == content);
    return;
  }
  FUZZ_CHECK(storable);
  const std::string written = ReadBytes(ini.FileName());
  const IniDocument after(written);
  const auto old_value = before.Value(section, key);
  if (old_value && *old_value == value) FUZZ_CHECK(written == content);
  FUZZ_CHECK(after.Value(section, key) == std::optional<std::string_view>(value));
  FUZZ_CHECK(ini.ReadString(section, key, "\x01") == value.substr(0, kMaxValueLength));
  FUZZ_CHECK(ini.SectionExists(section));
  auto same_pair = [&](const std::string& s, const std::string& k) {
    return SameText(s, section) && SameText(k, key);
  };
  snapshot.CheckKept(after, same_pair);
  // Sections keep their order; a new one goes after them.
  std::vector<std::string> names = after.SectionNames();
  const std::vector<std::string> old_names = before.SectionNames();
  bool existed = false;
  for (const std::string& name : old_names) existed = existed || SameText(name, section);
  FUZZ_CHECK(names.size() == old_names.size() + (existed ? 0 : 1));
  if (!existed) FUZZ_CHECK(names.back() == section);
  names.resize(old_names.size());
  FUZZ_CHECK(names == old_names);

  // Deleting the key again keeps every other pair too.
  ini.DeleteKey(section, key);
  snapshot.CheckKept(IniDocument(ReadBytes(ini.FileName())), same_pair);

  // Erasing the section drops its pairs and keeps every other one.
  ini.EraseSection(section);
  const IniDocument erased(ReadBytes(ini.FileName()));
  FUZZ_CHECK(!erased.HasKeys(section));
  for (const std::string& name : erased.SectionNames()) FUZZ_CHECK(!SameText(name, section));
  snapshot.CheckKept(
      erased, [&](const std::string& s, const std::string&) { return SameText(s, section); });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  folder = new std::string(fuzz::MakeScratchFolder("zelmo-fuzz-ini"));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::uint8_t section_choice = data[size - 3];
  const std::uint8_t key_choice = data[size - 2];
  const std::uint8_t value_choice = data[size - 1];
  const std::string content(reinterpret_cast<const char*>(data), size - 3);

  const std::string path = *folder + "/Users.ini";
  WriteBytes(path, content);
  TIniFile ini(path);
  const IniDocument before(content);
  const Snapshot snapshot(before, KeyNames(content));
  CheckReads(ini, before, snapshot);

  std::string section, key, value;
  Pick(section_choice, snapshot.sections, kExtraSections, section);
  Pick(key_choice, snapshot.keys, kExtraKeys, key);
  if (value_choice < 128 || content.empty()) {
    value = kExtraValues[value_choice % kExtraValues.size()];
  } else {
    value = content.substr((value_choice * 7u) % content.size(), value_choice % 40u);
  }
  CheckWrite(ini, content, before, snapshot, section, key, value);
  return 0;
}
