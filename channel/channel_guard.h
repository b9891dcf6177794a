#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "channel/channel_settings.h"
#include "channel/flood_counters.h"
#include "irc/session/name_index.h"

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
  // and then the ones seen longest ago, down to three quarters of it.
  static constexpr std::size_t kMaxTrackedUsers = 2000;

  // One message of the nick naming `highlighted` channel members; the
  // action it calls for, if any: Offence, then Escalate.
  std::optional<GuardAction> Message(std::string_view nick, std::string_view text, int highlighted,
                                     SteadyMillis now, const ChannelSettings& settings);
  // The offence one message is, in words, if any; counts it.
  std::optional<std::string> Offence(std::string_view nick, std::string_view text, int highlighted,
                                     SteadyMillis now, const ChannelSettings& settings);
  // The nick joined the channel (not back from a netsplit): join/part
  // cycling, if it is.
  std::optional<std::string> Cycled(std::string_view nick, SteadyMillis now,
                                    const ChannelSettings& settings);
  // The nick changed: its counts go along; a nick flood, if it is.
  std::optional<std::string> Renamed(std::string_view old_nick, std::string_view new_nick,
                                     SteadyMillis now, const ChannelSettings& settings);
  // A CTCP query to the channel, if that is an offence.
  static std::optional<std::string> CtcpQuery(const ChannelSettings& settings);
  // The step the user's offence calls for; the offences step up.
  GuardStep Escalate(std::string_view nick, SteadyMillis now, const ChannelSettings& settings);
  std::size_t Tracked() const { return users_.size(); }
  // Someone joined (not back from a netsplit); true when the joins are a
  // flood and the channel is to be locked.
  bool Joined(SteadyMillis now, const ChannelSettings& settings) {
    return joins_.Hit(now, settings.join_flood, settings.join_seconds * 1000LL);
  }

 private:
  struct UserState {
    RateWindow rate;
    RateWindow cycles;
    RateWindow nicks;
    RepeatCounter repeats;
    Escalation escalation;
    SteadyMillis last_seen = 0;
  };
  UserState& StateOf(std::string_view nick, SteadyMillis now, SteadyMillis idle_after);
  // At the bound: forgets the idle users, and then the ones seen longest
  // ago down to three quarters of the bound.
  void MakeRoom(SteadyMillis now, SteadyMillis idle_after);

  // By nick without regard to case; a message looks its sender up without
  // building a key.
  std::unordered_map<std::string, UserState, NoCaseHash, NoCaseEqual> users_;
  RateWindow joins_;
};

// Whether a QUIT's reason is a netsplit's: the two server names, "a.b c.d".
bool IsNetsplitReason(std::string_view reason);

// The nicks lost in a netsplit, whose joins when the servers meet again are
// no join flood. At most kMaxNicks, each for kRemembered.
class NetsplitMemory {
 public:
  static constexpr std::size_t kMaxNicks = 1000;
  static constexpr SteadyMillis kRemembered = 10 * 60 * 1000;

  void Lost(std::string_view nick, SteadyMillis now);
  // True, once, for a nick lost in a netsplit within kRemembered.
  bool Returned(std::string_view nick, SteadyMillis now);

 private:
  void Expire(SteadyMillis now);
  std::map<std::string, SteadyMillis> lost_;  // lower-case nick -> when
};

// The guards of every channel, made on a channel's first guarded message.
class ChannelGuards {
 public:
  // Channels counted at once; at the bound every count starts again.
  static constexpr std::size_t kMaxGuardedChannels = 200;

  ChannelGuard& Of(std::string_view channel);

 private:
  std::unordered_map<std::string, ChannelGuard, NoCaseHash, NoCaseEqual> guards_;
};

}  // namespace zelmo
