#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "channel/channel_settings.h"
#include "channel/flood_counters.h"

namespace zelmo {

// What the guard does about one message, and why in words for the display
// and the kick: "flood: 6 lines in 10s", "repeat", "mass highlight".
struct GuardAction {
  GuardStep step;
  std::string why;
};

// A channel's message flood, repeat and mass-highlight counters, per user,
// in constant time per message. Users are tracked by nick.
class ChannelGuard {
 public:
  // Users tracked per channel; at the bound the idle ones are forgotten,
  // and if none is, the one seen longest ago.
  static constexpr std::size_t kMaxTrackedUsers = 2000;

  // One message of the nick naming `highlighted` channel members; the
  // action it calls for, if any.
  std::optional<GuardAction> Message(std::string_view nick, std::string_view text,
                                     int highlighted, SteadyMillis now,
                                     const ChannelSettings& settings);
  std::size_t Tracked() const { return users_.size(); }

 private:
  struct UserState {
    RateWindow rate;
    RepeatCounter repeats;
    Escalation escalation;
    SteadyMillis last_seen = 0;
  };
  UserState& StateOf(std::string_view nick, SteadyMillis now, SteadyMillis idle_after);

  std::unordered_map<std::string, UserState> users_;  // by lower-case nick
};

// The guards of every channel, made on a channel's first guarded message.
class ChannelGuards {
 public:
  // Channels counted at once; at the bound every count starts again.
  static constexpr std::size_t kMaxGuardedChannels = 200;

  ChannelGuard& Of(std::string_view channel);

 private:
  std::map<std::string, ChannelGuard> guards_;  // by lower-case name
};

}  // namespace zelmo
