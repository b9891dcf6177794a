#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "shell/base/config_keys.h"
#include "shell/base/errors.h"
#include "shell/base/ini_file.h"

namespace zelmo {

// A value of Config.ini that cannot be used. Its text is what the error box
// shows, which names the key ("[Me] Port: '99999' is not a port (1 to
// 65535)") but where a classic text is kept ("'clRedd' is not a valid
// integer value"); the key itself is always at hand for the lines that
// name the file too.
class EConfigError : public EConvertError {
 public:
  // A section given is where the value was read: a channel's section for a
  // key of [Protect].
  EConfigError(const ConfigKey& key, const std::string& problem, bool text_names_key = true,
               std::string_view section = {});
  const ConfigKey& Key() const { return *key_; }
  const std::string& Section() const { return section_; }
  const std::string& Problem() const { return problem_; }
  // "[Display] Normal Text Color: 'clRedd' is not a valid integer value"
  std::string Described() const {
    return "[" + section_ + "] " + std::string(key_->name) + ": " + problem_;
  }

 private:
  const ConfigKey* key_;
  std::string section_;
  std::string problem_;
};

using ConfigValue = std::variant<std::string, std::int32_t, bool>;

// The key's value read by its type: text for kText and kChoice (the word as
// the table writes it), a number for kNumber, kInteger and kColour, on or
// off for kFlag and kSwitch. An absent key is its default, or the fallback
// when one is given (a default that depends on another key). Raises
// EConfigError for a value its type refuses.
ConfigValue ReadConfig(const TIniFile& ini, const ConfigKey& key,
                       std::optional<std::string_view> fallback = {});

// The key's value as written in another section (a channel's section for a
// key of [Protect]); errors name that section. Absent, it is the fallback.
ConfigValue ReadConfigIn(const TIniFile& ini, const ConfigKey& key, std::string_view section,
                         std::string_view fallback);

// A value about to be written to the key in that section, read by the key's
// type; raises the EConfigError that reading it back would.
ConfigValue DecodeConfigValue(const ConfigKey& key, std::string_view value,
                              std::string_view section);

std::string ConfigText(const TIniFile& ini, const ConfigKey& key);
std::int32_t ConfigNumber(const TIniFile& ini, const ConfigKey& key,
                          std::optional<std::string_view> fallback = {});
bool ConfigOn(const TIniFile& ini, const ConfigKey& key);

// What a check of the file says of the key's value, naming the key: the
// error that ReadConfig raises, or that a value is no number and the
// default applies instead; nothing for a good value or an absent key.
std::optional<std::string> ConfigValueProblem(const TIniFile& ini, const ConfigKey& key,
                                              std::string_view section = {});

}  // namespace zelmo
