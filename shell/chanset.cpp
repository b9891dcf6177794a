#include "channel/ban_duration.h"
#include "shell/base/config_keys.h"
#include "shell/base/config_read.h"
#include "shell/mainunit.h"
#include "users/scriptfunc.h"

// "chanset;#room[;key;value]": a channel owner's view and change of the
// channel's own section of Config.ini.

namespace zelmo {

namespace {

constexpr int kOwnerLevel = 4;

// The value as the channel's settings would read it; raises EConvertError
// (naming the key) for one they would refuse.
void CheckChannelValue(const ConfigKey& key, const std::string& value, const std::string& section) {
  if (&key == &config::kBanTime) {
    try {
      ParseDuration(TrimBlanks(value));
    } catch (const EConvertError& error) {
      throw EConfigError(key, error.what(), true, section);
    }
    return;
  }
  DecodeConfigValue(key, value, section);
}

}  // namespace

void TMainForm::Chanset(const std::vector<std::string>& parts, const TIdIRCUser& user) {
  const std::string& nick = user.Nick();
  if (!CheckParams(*this, parts, 2, nick, "Chanset")) return;
  const std::string& channel = parts[1];
  if (!CheckRights(*this, channel, kOwnerLevel, user, "Chanset")) return;
  const std::string section = std::string(kChannelSectionPrefix) + channel;
  TIniFile ini(ConfigPath());
  if (parts.size() < 4) {
    bool any = false;
    for (const IniEntry& entry : ini.Entries()) {
      if (entry.head || !SameText(entry.section, section)) continue;
      SendReply(*this, nick,
                "Chanset: " + channel + " " + entry.key + " = " +
                    ini.ReadString(entry.section, entry.key, ""));
      any = true;
    }
    if (!any) SendReply(*this, nick, "Chanset: " + channel + " has no settings of its own");
    return;
  }
  const ConfigKey* key = FindChannelKey(parts[2]);
  if (key == nullptr) {
    SendReply(*this, nick, "Chanset: Error - unknown key " + parts[2]);
    return;
  }
  try {
    CheckChannelValue(*key, parts[3], section);
  } catch (const EConfigError& error) {
    SendReply(*this, nick, "Chanset: Error - " + error.Described());
    return;
  }
  ini.WriteString(section, key->name, parts[3]);
  Protect = ProtectSettings::Read(TIniFile(ConfigPath()));
  SendReply(*this, nick, "Chanset: " + channel + " " + std::string(key->name) + " = " + parts[3]);
}

}  // namespace zelmo
