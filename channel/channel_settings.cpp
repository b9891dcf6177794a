#include "channel/channel_settings.h"

#include "shell/base/config_keys.h"
#include "shell/base/config_read.h"
#include "shell/base/convert.h"

namespace zelmo {

namespace {

template <class Value, class Field>
void Override(const TIniFile& ini, const ConfigKey& key, std::string_view section, Field& field) {
  if (!ini.ReadValue(section, key.name)) return;
  field = static_cast<Field>(std::get<Value>(ReadConfigIn(ini, key, section, key.default_value)));
}

BanSeconds BanTimeIn(const TIniFile& ini, std::string_view section, BanSeconds fallback) {
  const std::optional<std::string> text = ini.ReadValue(section, config::kBanTime.name);
  if (!text) return fallback;
  try {
    return ParseDuration(TrimBlanks(*text));
  } catch (const EConvertError& error) {
    throw EConfigError(config::kBanTime, error.what(), true, section);
  }
}

// The keys a [Protect] section and a channel's section share.
void ReadShared(const TIniFile& ini, std::string_view section, ChannelSettings& settings) {
  Override<std::int32_t>(ini, config::kExemptLevel, section, settings.exempt_level);
  Override<bool>(ini, config::kStickyBans, section, settings.sticky_bans);
  settings.ban_time = BanTimeIn(ini, section, settings.ban_time);
  Override<std::int32_t>(ini, config::kFloodLines, section, settings.flood_lines);
  Override<std::int32_t>(ini, config::kFloodSeconds, section, settings.flood_seconds);
  Override<std::int32_t>(ini, config::kRepeats, section, settings.repeats);
  Override<std::int32_t>(ini, config::kRepeatSeconds, section, settings.repeat_seconds);
  Override<std::int32_t>(ini, config::kHighlights, section, settings.highlights);
  Override<std::int32_t>(ini, config::kEscalateMinutes, section, settings.escalate_minutes);
  Override<std::int32_t>(ini, config::kJoinFlood, section, settings.join_flood);
  Override<std::int32_t>(ini, config::kJoinSeconds, section, settings.join_seconds);
  Override<std::int32_t>(ini, config::kLockMinutes, section, settings.lock_minutes);
  Override<std::int32_t>(ini, config::kCycleJoins, section, settings.cycle_joins);
  Override<std::int32_t>(ini, config::kCycleSeconds, section, settings.cycle_seconds);
  Override<std::int32_t>(ini, config::kNickFlood, section, settings.nick_flood);
  Override<std::int32_t>(ini, config::kNickSeconds, section, settings.nick_seconds);
  Override<bool>(ini, config::kKickOnCtcp, section, settings.kick_on_ctcp);
}

bool HasSection(const TIniFile& ini, std::string_view section) {
  for (const std::string& name : ini.ReadSections()) {
    if (SameText(name, section)) return true;
  }
  return false;
}

}  // namespace

ProtectSettings ProtectSettings::Read(const TIniFile& ini) {
  ProtectSettings settings;
  ChannelSettings& defaults = settings.defaults_;
  defaults.auto_voice = ConfigOn(ini, config::kAutoVoice);
  defaults.kick_on_colors = ConfigOn(ini, config::kKickOnColors);
  defaults.spares_exempt = HasSection(ini, kProtectSection);
  ReadShared(ini, kProtectSection, defaults);
  for (const std::string& section : ini.ReadSections()) {
    const std::optional<std::string_view> channel = ChannelOfSection(section);
    if (!channel) continue;
    // A section written twice: only the first is read, as for every key.
    auto [place, added] = settings.channels_.try_emplace(std::string(*channel), defaults);
    if (!added) continue;
    ChannelSettings& own = place->second;
    own.spares_exempt = true;
    Override<bool>(ini, config::kAutoVoice, section, own.auto_voice);
    Override<bool>(ini, config::kKickOnColors, section, own.kick_on_colors);
    ReadShared(ini, section, own);
    settings.guards_anyone_ = settings.guards_anyone_ || own.GuardsUsers();
  }
  settings.guards_anyone_ = settings.guards_anyone_ || defaults.GuardsUsers();
  return settings;
}

const ChannelSettings& ProtectSettings::For(std::string_view channel) const {
  const auto found = channels_.find(channel);
  return found == channels_.end() ? defaults_ : found->second;
}

bool IsExempt(const ChannelSettings& settings, int level, bool channel_operator) {
  return channel_operator || level >= settings.exempt_level;
}

std::optional<std::string> BanTimeProblem(const TIniFile& ini, std::string_view section) {
  try {
    BanTimeIn(ini, section, 0);
  } catch (const EConfigError& error) {
    return error.Described();
  }
  return std::nullopt;
}

}  // namespace zelmo
