#pragma once

#include <map>
#include <memory>
#include <string>

#include "channel/channel_settings.h"
#include "channel/flood_counters.h"
#include "shell/base/ui_port.h"
#include "shell/form_callbacks.h"
#include "users/bot_context.h"

namespace zelmo {

// Channels the bot locked against a join flood, each unlocked at its time by
// one timer set to the earliest. The lock is the server's join throttle
// ("+j joins:seconds", the channel's own JoinFlood in JoinSeconds) where it
// offers one, else invite only (+i). On the user-interface thread; the
// locks are not kept across a restart.
class ChannelLocks {
 public:
  ChannelLocks(BotContext& bot, UiPort& port, FormCallbacks& form);

  // Locks the channel for the settings' LockMinutes; a channel locked
  // already stays as it is.
  void Lock(const std::string& channel, const ChannelSettings& settings, const std::string& why,
            SteadyMillis now);
  void Unlock(SteadyMillis now);
  bool Locked(const std::string& channel) const;

 private:
  void Reschedule(SteadyMillis now);

  BotContext& bot_;
  std::unique_ptr<UiTimer> timer_;
  struct Held {
    std::string channel;
    SteadyMillis until;
    char mode;  // 'i' or 'j', unset at the end
  };
  // By lower-case name; only channels the bot counts joins in.
  std::map<std::string, Held> locks_;
};

}  // namespace zelmo
