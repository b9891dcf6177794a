#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "channel/ban_duration.h"
#include "irc/session/name_index.h"
#include "shell/base/ini_file.h"

namespace zelmo {

// How the bot guards one channel, decoded once from Config.ini.
struct ChannelSettings {
  bool auto_voice = true;
  bool kick_on_colors = true;
  // With a [Protect] section or the channel's own, KickOnColors spares the
  // exempt; without either it kicks everyone, as the bot always did.
  bool spares_exempt = false;
  int exempt_level = 1;
  bool sticky_bans = false;
  BanSeconds ban_time = 60 * 60;
  // The flood and spam defences; a threshold of 0 is off.
  int flood_lines = 0;
  int flood_seconds = 10;
  int repeats = 0;
  int repeat_seconds = 60;
  int highlights = 0;
  int escalate_minutes = 10;
  int join_flood = 0;
  int join_seconds = 10;
  int lock_minutes = 5;
  int cycle_joins = 0;
  int cycle_seconds = 60;
  int nick_flood = 0;
  int nick_seconds = 60;
  bool kick_on_ctcp = false;

  // Whether the channel's messages are counted.
  bool Guarded() const { return flood_lines > 0 || repeats > 0 || highlights > 0; }
  // Whether anything of one user is counted: messages, joins, nick changes
  // or CTCP queries.
  bool GuardsUsers() const {
    return Guarded() || cycle_joins > 0 || nick_flood > 0 || kick_on_ctcp;
  }
};

// The settings of every channel: [Channel #room] over [Protect] over
// [General]. A channel without a section of its own gets the defaults.
class ProtectSettings {
 public:
  ProtectSettings() = default;
  // Raises EConfigError naming the section and key of a value it cannot use.
  static ProtectSettings Read(const TIniFile& ini);

  const ChannelSettings& For(std::string_view channel) const;
  const ChannelSettings& Defaults() const { return defaults_; }
  // Whether any channel counts what its users do (GuardsUsers): else a
  // nick change need not visit the channels.
  bool GuardsAnyone() const { return guards_anyone_; }

 private:
  ChannelSettings defaults_;
  bool guards_anyone_ = false;
  // By name without regard to case: looked up per message, without building a key.
  std::unordered_map<std::string, ChannelSettings, NoCaseHash, NoCaseEqual> channels_;
};

// Whether the user is spared the channel's defences: a level at or above
// ExemptLevel, or channel operator status.
bool IsExempt(const ChannelSettings& settings, int level, bool channel_operator);

// What --check-config says of the BanTime of that section, if it is no
// duration.
std::optional<std::string> BanTimeProblem(const TIniFile& ini, std::string_view section);

}  // namespace zelmo
