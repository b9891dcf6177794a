#include "shell/script_settings.h"

#include "shell/base/config_read.h"
#include "shell/base/convert.h"

namespace zelmo {

namespace {

constexpr std::size_t kKiB = 1024;
constexpr std::size_t kLeastMemory = 64 * kKiB;
constexpr std::size_t kMostMemory = kKiB * kKiB * kKiB;

std::vector<std::string> CommaList(std::string_view text) {
  std::vector<std::string> names;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view name = TrimBlanks(text.substr(0, comma));
    if (!name.empty()) names.emplace_back(name);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  }
  return names;
}

}  // namespace

std::size_t ScriptMemoryBytes(std::string_view text) {
  // Written empty, it is the default, as an empty whole number is.
  const std::string_view value =
      TrimBlanks(text).empty() ? config::kScriptsMaxMemory.default_value : TrimBlanks(text);
  std::size_t unit = 1;
  std::string_view digits = value;
  if (!digits.empty() && (digits.back() == 'K' || digits.back() == 'k')) unit = kKiB;
  if (!digits.empty() && (digits.back() == 'M' || digits.back() == 'm')) unit = kKiB * kKiB;
  if (unit != 1) digits.remove_suffix(1);
  const bool all_digits = !digits.empty() && digits.size() <= 10 &&
                          digits.find_first_not_of("0123456789") == std::string_view::npos;
  const std::size_t bytes = all_digits ? std::stoull(std::string(digits)) * unit : 0;
  if (bytes < kLeastMemory || bytes > kMostMemory) {
    throw EConfigError(config::kScriptsMaxMemory,
                       "'" + std::string(text) +
                           "' is not a memory size (64K to 1024M: bytes, or K or M after the "
                           "number)");
  }
  return bytes;
}

ScriptConfig ReadScriptConfig(const TIniFile& ini, const std::string& data_folder) {
  using namespace config;
  ScriptConfig config;
  std::string folder = ConfigText(ini, kScriptsFolder);
  if (!folder.empty() && folder.front() != '/') folder = data_folder + folder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  config.engine.folder = folder;
  config.engine.disabled = CommaList(ConfigText(ini, kScriptsDisabled));
  config.engine.max_steps = ConfigNumber(ini, kScriptsMaxSteps);
  config.engine.max_memory = ScriptMemoryBytes(ConfigText(ini, kScriptsMaxMemory));
  config.queue_lines = static_cast<std::size_t>(ConfigNumber(ini, kScriptsQueueLines));
  config.http_allowed = ConfigText(ini, kScriptsHttpAllowed);
  return config;
}

}  // namespace zelmo
