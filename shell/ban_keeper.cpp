#include "shell/ban_keeper.h"

#include <algorithm>
#include <limits>

#include "channel/ban_commands.h"
#include "irc/session/irc_client.h"
#include "shell/base/convert.h"
#include "shell/base/display.h"

namespace zelmo {

namespace {

// A ban far off is looked at again after an hour: the timer's interval is an
// int of milliseconds, and a clock set forward is noticed within the hour.
constexpr std::int64_t kLongestWaitSeconds = 60 * 60;

}  // namespace

BanKeeper::BanKeeper(BotContext& bot, UiPort& port, FormCallbacks& form)
    : bot_(bot), timer_(CreateCaughtTimer(port, form, [this] { TimerTimer(); })) {}

void BanKeeper::Open(const std::string& path) {
  try {
    list_ = std::make_unique<BanList>(path);
  } catch (const Exception& error) {
    list_.reset();
    bot_.Display().DisplayColoredLine(error.Message() + ": the ban commands are off", Errorous);
    return;
  }
  Reschedule();
}

void BanKeeper::NamesEnd(TIdIRCChannel* channel) {
  if (channel == nullptr || !list_) return;
  std::erase_if(applied_, [](const auto& record) { return record.expired(); });
  for (const auto& record : applied_) {
    if (record.lock().get() == channel) return;
  }
  applied_.push_back(channel->weak_from_this());
  SendEntryModes(bot_, channel->Name(), '+', list_->Of(channel->Name()));
}

bool BanKeeper::Joined(const TIdIRCUser& user, const std::string& channel) {
  if (!list_) return false;
  const BanEntry* ban = list_->Matching(channel, user.Nick() + "!" + user.Address);
  if (ban == nullptr) return false;
  SendBanModes(bot_, channel, '+', {ban->mask});
  bot_.Irc().Kick(channel, user.Nick(), ban->reason);
  bot_.Display().DisplayLine("-> " + channel + ": Kicked " + user.Nick());
  return true;
}

void BanKeeper::Unbanned(const TIdIRCUser* setter, const std::string& channel,
                         const std::string& mask, bool sticky) {
  if (!list_ || (setter && SameText(setter->Nick(), bot_.Irc().Nick()))) return;
  const BanEntry* ban = list_->Find(channel, mask);
  // A quiet is lifted by its own mode, not by this -b.
  if (ban == nullptr || ban->quiet) return;
  const auto now = std::chrono::steady_clock::now();
  const bool time_left = ban->expires_at == 0 || ban->expires_at > bot_.UnixNow();
  if (sticky && time_left) {
    std::erase_if(resets_, [&](const auto& reset) { return now - reset.second >= kStickyGap; });
    if (resets_.try_emplace(LowerCase(channel) + " " + ban->mask, now).second) {
      SendBanModes(bot_, channel, '+', {ban->mask});
    }
    return;
  }
  const std::string by = setter ? " (removed by " + setter->Nick() + ")" : "";
  bot_.Display().DisplayLine("-> " + channel + ": " + ban->mask + " left the ban list" + by);
  list_->Remove(channel, mask);
  Reschedule();
}

void BanKeeper::Reschedule() {
  const std::optional<UnixSeconds> next = list_ ? list_->NextExpiry() : std::nullopt;
  if (!next) {
    timer_->SetEnabled(false);
    return;
  }
  const std::int64_t wait =
      std::clamp<std::int64_t>(*next - bot_.UnixNow(), 1, kLongestWaitSeconds);
  timer_->SetEnabled(false);
  timer_->SetInterval(static_cast<int>(wait * 1000));
  timer_->SetEnabled(true);
}

void BanKeeper::TimerTimer() {
  timer_->SetEnabled(false);
  if (!list_) return;
  for (const BanList::Expired& ended : list_->TakeExpired(bot_.UnixNow())) {
    if (bot_.Irc().Channels.Find(ended.channel) != nullptr) {
      SendEntryModes(bot_, ended.channel, '-', {ended.entry});
    } else {
      bot_.Display().DisplayLine("Ban " + ended.entry.mask + " on " + ended.channel + " ended");
    }
  }
  Reschedule();
}

}  // namespace zelmo
