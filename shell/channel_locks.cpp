#include "shell/channel_locks.h"

#include <algorithm>
#include <chrono>

#include "shell/base/convert.h"
#include "shell/base/display.h"
#include "users/scriptfunc.h"

namespace zelmo {

ChannelLocks::ChannelLocks(BotContext& bot, UiPort& port, FormCallbacks& form)
    : bot_(bot), timer_(CreateCaughtTimer(port, form, [this] { Unlock(SteadyNow()); })) {}

bool ChannelLocks::Locked(const std::string& channel) const {
  return locks_.contains(LowerCase(channel));
}

void ChannelLocks::Lock(const std::string& channel, int minutes, const std::string& why,
                        SteadyMillis now) {
  if (!locks_.try_emplace(LowerCase(channel), Held{channel, now + minutes * 60000LL}).second) {
    return;
  }
  SendMode(bot_, channel, "+i");
  bot_.Display().DisplayLine("-> " + channel + ": locked (+i) for " + IntToStr(minutes) + "m (" +
                             why + ")");
  Reschedule(now);
}

void ChannelLocks::Unlock(SteadyMillis now) {
  timer_->SetEnabled(false);
  for (auto lock = locks_.begin(); lock != locks_.end();) {
    if (lock->second.until > now) {
      ++lock;
      continue;
    }
    SendMode(bot_, lock->second.channel, "-i");
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
