#include "channel/channel_guard.h"

#include <algorithm>

#include "shell/base/convert.h"

namespace zelmo {

namespace {

constexpr SteadyMillis kSecond = 1000;

std::string FloodWhy(const ChannelSettings& settings) {
  return "flood: " + IntToStr(settings.flood_lines + 1) + " lines in " +
         IntToStr(settings.flood_seconds) + "s";
}

// The longest any counter of the settings looks back.
SteadyMillis LongestWindow(const ChannelSettings& settings) {
  return std::max(
             {settings.flood_seconds, settings.repeat_seconds, settings.escalate_minutes * 60}) *
         kSecond;
}

}  // namespace

ChannelGuard::UserState& ChannelGuard::StateOf(std::string_view nick, SteadyMillis now,
                                               SteadyMillis idle_after) {
  const std::string key = LowerCase(nick);
  if (const auto found = users_.find(key); found != users_.end()) return found->second;
  if (users_.size() >= kMaxTrackedUsers) {
    std::erase_if(users_,
                  [&](const auto& user) { return now - user.second.last_seen > idle_after; });
  }
  if (users_.size() >= kMaxTrackedUsers) {
    users_.erase(std::ranges::min_element(users_, {},
                                          [](const auto& user) { return user.second.last_seen; }));
  }
  return users_[key];
}

std::optional<GuardAction> ChannelGuard::Message(std::string_view nick, std::string_view text,
                                                 int highlighted, SteadyMillis now,
                                                 const ChannelSettings& settings) {
  UserState& user = StateOf(nick, now, LongestWindow(settings));
  user.last_seen = now;
  std::string why;
  if (user.rate.Hit(now, settings.flood_lines, settings.flood_seconds * kSecond)) {
    why = FloodWhy(settings);
  } else if (user.repeats.Said(TextFingerprint(text), now, settings.repeats,
                               settings.repeat_seconds * kSecond)) {
    why = "repeat";
  } else if (settings.highlights > 0 && highlighted >= settings.highlights) {
    why = "mass highlight";
  } else {
    return std::nullopt;
  }
  return GuardAction{user.escalation.Next(now, settings.escalate_minutes * 60 * kSecond), why};
}

bool IsNetsplitReason(std::string_view reason) {
  const std::size_t blank = reason.find(' ');
  if (blank == std::string_view::npos || reason.find(' ', blank + 1) != std::string_view::npos) {
    return false;
  }
  const auto server = [](std::string_view name) {
    return name.size() >= 3 && name.find('.') != std::string_view::npos && name.front() != '.' &&
           name.back() != '.';
  };
  return server(reason.substr(0, blank)) && server(reason.substr(blank + 1));
}

void NetsplitMemory::Expire(SteadyMillis now) {
  std::erase_if(lost_, [&](const auto& entry) { return now - entry.second > kRemembered; });
}

void NetsplitMemory::Lost(std::string_view nick, SteadyMillis now) {
  if (lost_.size() >= kMaxNicks) Expire(now);
  if (lost_.size() >= kMaxNicks) return;
  lost_[LowerCase(nick)] = now;
}

bool NetsplitMemory::Returned(std::string_view nick, SteadyMillis now) {
  const auto found = lost_.find(LowerCase(nick));
  if (found == lost_.end()) return false;
  const bool recent = now - found->second <= kRemembered;
  lost_.erase(found);
  return recent;
}

ChannelGuard& ChannelGuards::Of(std::string_view channel) {
  std::string key = LowerCase(channel);
  if (guards_.size() >= kMaxGuardedChannels && !guards_.contains(key)) guards_.clear();
  return guards_[key];
}

}  // namespace zelmo
