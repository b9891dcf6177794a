#include "shell/base/config_keys.h"

#include "shell/base/convert.h"

namespace zelmo {

std::string KeyName(const ConfigKey& key) {
  return "[" + std::string(key.section) + "] " + std::string(key.name);
}

const ConfigKey* FindConfigKey(std::string_view section, std::string_view name) {
  for (const ConfigKey* key : kConfigKeys) {
    if (SameText(key->section, section) && SameText(key->name, name)) return key;
  }
  return nullptr;
}

std::optional<std::string_view> FindConfigSection(std::string_view section) {
  for (const ConfigKey* key : kConfigKeys) {
    if (SameText(key->section, section)) return key->section;
  }
  return std::nullopt;
}

std::optional<std::string_view> ChannelOfSection(std::string_view section) {
  if (section.size() <= kChannelSectionPrefix.size() ||
      !SameText(section.substr(0, kChannelSectionPrefix.size()), kChannelSectionPrefix)) {
    return std::nullopt;
  }
  return section.substr(kChannelSectionPrefix.size());
}

const ConfigKey* FindChannelKey(std::string_view name) {
  for (const ConfigKey* key : kChannelOnlyKeys) {
    if (SameText(key->name, name)) return key;
  }
  return FindConfigKey(kProtectSection, name);
}

}  // namespace zelmo
