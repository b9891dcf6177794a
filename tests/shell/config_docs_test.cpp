#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "shell/base/config_keys.h"
#include "shell/base/convert.h"

// The man page and README list every key of Config.ini with its default, as
// the table declares them, and no key the table does not know.

namespace zelmo {
namespace {

// "[section] key" in lower case -> the default as documented.
using Documented = std::multimap<std::string, std::string>;

std::string SourceFile(const std::string& name) {
  std::ifstream file(std::string(ZELMO_SOURCE_DIR) + "/" + name);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string Id(std::string_view section, std::string_view key) {
  return LowerCase("[" + std::string(section) + "] " + std::string(key));
}

// ".SS [Me]" opens a section of CONFIGURATION; a key stands as
// '.BR Port " (6667, or 6697 with TLS)"' or '.BR "Security password" " (none)"'.
Documented ManPageKeys() {
  const std::regex key_line(R"re(^\.BR (?:"([^"]+)"|(\S+)) " \(([^,)]*)[^)]*\)"$)re");
  std::istringstream page(SourceFile("packaging/zelmobot.1"));
  Documented keys;
  std::string line;
  std::string section;
  bool in_configuration = false;
  while (std::getline(page, line)) {
    if (line.starts_with(".SH ")) in_configuration = line == ".SH CONFIGURATION";
    if (!in_configuration) continue;
    std::smatch match;
    if (line.starts_with(".SS [")) section = line.substr(5, line.find(']') - 5);
    if (std::regex_match(line, match, key_line)) {
      keys.emplace(Id(section, match[1].matched ? match[1].str() : match[2].str()), match[3]);
    }
  }
  return keys;
}

// Rows of the key table: "| `[Me]` | `Port` | `6667` | ... |".
Documented ReadmeKeys() {
  const std::regex row(R"re(^\| `\[([^\]]+)\]` \| `([^`]+)` \| `?([^`|]*?)`? \|.*)re");
  std::istringstream readme(SourceFile("README.md"));
  Documented keys;
  std::string line;
  while (std::getline(readme, line)) {
    std::smatch match;
    if (std::regex_match(line, match, row))
      keys.emplace(Id(match[1].str(), match[2].str()), match[3]);
  }
  return keys;
}

// An empty default is written "empty" (or "none" for a password).
bool SameDefault(const ConfigKey& key, const std::string& documented) {
  if (key.default_value.empty()) return documented == "empty" || documented == "none";
  return SameText(key.default_value, documented);
}

void ExpectEveryKeyOnce(const Documented& documented, const std::string& where) {
  SCOPED_TRACE(where);
  for (const ConfigKey* key : kConfigKeys) {
    const std::string id = Id(key->section, key->name);
    ASSERT_EQ(documented.count(id), 1u) << id;
    EXPECT_TRUE(SameDefault(*key, documented.find(id)->second))
        << id << ": " << documented.find(id)->second << " instead of " << key->default_value;
  }
  EXPECT_EQ(documented.size(), kConfigKeys.size()) << "keys the table does not know";
}

TEST(ConfigDocs, TheManPageAndReadmeListEveryKeyWithItsDefault) {
  ExpectEveryKeyOnce(ManPageKeys(), "packaging/zelmobot.1");
  ExpectEveryKeyOnce(ReadmeKeys(), "README.md");
}

}  // namespace
}  // namespace zelmo
