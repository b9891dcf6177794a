#include "shell/config_check.h"

#include <algorithm>

#include "channel/channel_settings.h"
#include "channel/http_client.h"
#include "shell/base/config_names.h"
#include "shell/base/config_read.h"
#include "shell/base/convert.h"
#include "shell/base/file_access.h"
#include "shell/script_settings.h"

namespace zelmo {

namespace {

constexpr std::string_view kRightsPrefix = "Rights_";

class Findings {
 public:
  void Add(const std::string& file, std::optional<int> line, std::string text) {
    problems_.push_back(ConfigProblem{file, line, std::move(text)});
  }
  // A configured value's error with its line; the environment's without.
  template <class Read>
  void Catch(const TIniFile& ini, Read read) {
    try {
      read();
    } catch (const EConfigError& error) {
      Add("Config.ini", ini.LineOf(error.Section(), error.Key().name), error.Described());
    } catch (const Exception& error) {
      Add("", std::nullopt, error.what());
    }
  }
  std::vector<ConfigProblem> Take() { return std::move(problems_); }

 private:
  std::vector<ConfigProblem> problems_;
};

void CheckChannelSection(const TIniFile& ini, const std::string& section, Findings& findings) {
  const auto add = [&](const ConfigKey& key, std::optional<std::string> problem) {
    if (problem) findings.Add("Config.ini", ini.LineOf(section, key.name), std::move(*problem));
  };
  for (const ConfigKey* key : kConfigKeys) {
    if (key->section == kProtectSection && key != &config::kBanTime) {
      add(*key, ConfigValueProblem(ini, *key, section));
    }
  }
  for (const ConfigKey* key : kChannelOnlyKeys) add(*key, ConfigValueProblem(ini, *key, section));
  add(config::kBanTime, BanTimeProblem(ini, section));
}

void CheckConfigFile(const TIniFile& ini, const LookupEnvironment& environment,
                     const std::string& folder, Findings& findings) {
  for (const ConfigNote& note : UnknownConfigNames(ini)) {
    findings.Add("Config.ini", note.line, note.text);
  }
  for (const ConfigKey* key : kConfigKeys) {
    if (auto problem = ConfigValueProblem(ini, *key)) {
      findings.Add("Config.ini", ini.LineOf(key->section, key->name), std::move(*problem));
    }
  }
  for (const std::string& section : ini.ReadSections()) {
    if (ChannelOfSection(section)) CheckChannelSection(ini, section, findings);
  }
  if (auto problem = BanTimeProblem(ini, kProtectSection)) {
    findings.Add("Config.ini", ini.LineOf(kProtectSection, config::kBanTime.name), *problem);
  }
  findings.Catch(ini, [&] { ScriptMemoryBytes(ConfigText(ini, config::kScriptsMaxMemory)); });
  findings.Catch(ini,
                 [&] { HttpAllowList::Parse(ConfigText(ini, config::kScriptsHttpAllowed), {}); });
  findings.Catch(
      ini, [&] { DictionaryFrom(environment.dictionary, ConfigText(ini, config::kDictionary)); });
  findings.Catch(
      ini, [&] { TvListingFrom(environment.tv, ConfigText(ini, config::kTvListing), folder, {}); });
}

// A rights value that is no number ends every command that looks it up.
void CheckUserFile(const TIniFile& users, const std::string& name, Findings& findings) {
  for (const IniEntry& entry : users.Entries()) {
    if (entry.head || !SameText(entry.key.substr(0, kRightsPrefix.size()), kRightsPrefix)) {
      continue;
    }
    const std::string value = users.ReadString(entry.section, entry.key, "");
    if (TryStrToInt(value)) continue;
    findings.Add(name, entry.line,
                 "[" + entry.section + "] " + entry.key + ": '" + value +
                     "' is not a number: every command that looks it up ends without an answer");
  }
}

void CheckFileAccess(const std::string& folder, const std::string& users_name, Findings& findings) {
  for (std::string& warning : DataFileWarnings(folder, users_name)) {
    findings.Add("", std::nullopt, std::move(warning));
  }
  for (const std::string& name : {std::string("Config.ini"), users_name}) {
    if (auto warning = SecretFileWarning(folder + name, name)) {
      findings.Add("", std::nullopt, std::move(*warning));
    }
  }
}

}  // namespace

std::vector<ConfigProblem> CheckConfiguration(const std::string& data_folder,
                                              const LookupEnvironment& environment) {
  Findings findings;
  const TIniFile ini(data_folder + "Config.ini");
  CheckConfigFile(ini, environment, data_folder, findings);
  const std::string users_name = ConfigText(ini, config::kUsersfile);
  CheckUserFile(TIniFile(data_folder + users_name), users_name, findings);
  CheckFileAccess(data_folder, users_name, findings);
  std::vector<ConfigProblem> problems = findings.Take();
  // Config.ini's problems in line order, then the user file's, then those
  // of no one line.
  const auto place = [](const ConfigProblem& problem) {
    const int file = problem.file == "Config.ini" ? 0 : problem.file.empty() ? 2 : 1;
    return std::pair(file, problem.line.value_or(0));
  };
  std::ranges::stable_sort(problems, {}, place);
  return problems;
}

std::string ProblemLine(const ConfigProblem& problem) {
  if (problem.file.empty()) return problem.text;
  if (!problem.line) return problem.file + ": " + problem.text;
  return problem.file + ":" + std::to_string(*problem.line) + ": " + problem.text;
}

}  // namespace zelmo
