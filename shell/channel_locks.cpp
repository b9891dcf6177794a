#include "shell/channel_locks.h"

#include <algorithm>
#include <chrono>

#include "irc/session/irc_client.h"
#include "shell/base/convert.h"
#include "shell/base/display.h"
#include "users/scriptfunc.h"

namespace zelmo {

ChannelLocks::ChannelLocks(BotContext& bot, UiPort& port, FormCallbacks& form)
    : bot_(bot), timer_(CreateCaughtTimer(port, form, [this] { Unlock(SteadyNow()); })) {}

bool ChannelLocks::Locked(const std::string& channel) const {
  return locks_.contains(LowerCase(channel));
}

void ChannelLocks::Lock(const std::string& channel, const ChannelSettings& settings,
                        const std::string& why, SteadyMillis now) {
  const bool throttle = bot_.Irc().Features.OffersJoinThrottle();
  const Held held{channel, now + settings.lock_minutes * 60000LL, throttle ? 'j' : 'i'};
  if (!locks_.try_emplace(LowerCase(channel), held).second) return;
  const std::string mode =
      throttle ? "+j " + IntToStr(settings.join_flood) + ":" + IntToStr(settings.join_seconds)
               : "+i";
  SendMode(bot_, channel, mode);
  bot_.Display().DisplayLine("-> " + channel + ": locked (" + mode + ") for " +
                             IntToStr(settings.lock_minutes) + "m (" + why + ")");
  Reschedule(now);
}

void ChannelLocks::Unlock(SteadyMillis now) {
  timer_->SetEnabled(false);
  for (auto lock = locks_.begin(); lock != locks_.end();) {
    if (lock->second.until > now) {
      ++lock;
      continue;
    }
    SendMode(bot_, lock->second.channel, std::string("-") + lock->second.mode);
    bot_.Display().DisplayLine("-> " + lock->second.channel + ": unlocked");
    lock = locks_.erase(lock);
  }
  Reschedule(now);
}

void ChannelLocks::Reschedule(SteadyMillis now) {
  if (locks_.empty()) return;
  SteadyMillis first = locks_.begin()->second.until;
  for (const auto& [name, lock] : locks_) first = std::min(first, lock.until);
  timer_->SetEnabled(false);
  timer_->SetInterval(static_cast<int>(std::max<SteadyMillis>(first - now, 1)));
  timer_->SetEnabled(true);
}

}  // namespace zelmo
