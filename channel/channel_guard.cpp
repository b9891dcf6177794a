#include "channel/channel_guard.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "shell/base/convert.h"

namespace zelmo {

namespace {

constexpr SteadyMillis kSecond = 1000;

// "flood: 6 lines in 10s": what the count was, one over its limit.
std::string RateWhy(const char* what, int limit, const char* unit, int seconds) {
  return std::string(what) + ": " + IntToStr(limit + 1) + " " + unit + " in " + IntToStr(seconds) +
         "s";
}

// The longest any counter of the settings looks back.
SteadyMillis LongestWindow(const ChannelSettings& settings) {
  return std::max({settings.flood_seconds, settings.repeat_seconds, settings.cycle_seconds,
                   settings.nick_seconds, settings.escalate_minutes * 60}) *
         kSecond;
}

}  // namespace

ChannelGuard::UserState& ChannelGuard::StateOf(std::string_view nick, SteadyMillis now,
                                               SteadyMillis idle_after) {
  if (const auto found = users_.find(nick); found != users_.end()) return found->second;
  if (users_.size() >= kMaxTrackedUsers) MakeRoom(now, idle_after);
  return users_.try_emplace(std::string(nick)).first->second;
}

void ChannelGuard::MakeRoom(SteadyMillis now, SteadyMillis idle_after) {
  std::erase_if(users_, [&](const auto& user) { return now - user.second.last_seen > idle_after; });
  // Down to three quarters, the ones seen longest ago first: a stream of new
  // nicks costs a pass over the table per quarter of it, not one per nick.
  constexpr std::size_t kKept = kMaxTrackedUsers * 3 / 4;
  if (users_.size() <= kKept) return;
  std::vector<SteadyMillis> seen;
  seen.reserve(users_.size());
  for (const auto& user : users_) seen.push_back(user.second.last_seen);
  const std::size_t dropped = users_.size() - kKept;
  std::nth_element(seen.begin(), seen.begin() + static_cast<std::ptrdiff_t>(dropped - 1),
                   seen.end());
  const SteadyMillis last_dropped = seen[dropped - 1];
  std::erase_if(users_, [&](const auto& user) { return user.second.last_seen < last_dropped; });
  for (auto user = users_.begin(); user != users_.end() && users_.size() > kKept;) {
    user = user->second.last_seen == last_dropped ? users_.erase(user) : std::next(user);
  }
}

std::optional<GuardAction> ChannelGuard::Message(std::string_view nick, std::string_view text,
                                                 int highlighted, SteadyMillis now,
                                                 const ChannelSettings& settings) {
  std::optional<std::string> why = Offence(nick, text, highlighted, now, settings);
  if (!why) return std::nullopt;
  return GuardAction{Escalate(nick, now, settings), std::move(*why)};
}

std::optional<std::string> ChannelGuard::Offence(std::string_view nick, std::string_view text,
                                                 int highlighted, SteadyMillis now,
                                                 const ChannelSettings& settings) {
  UserState& user = StateOf(nick, now, LongestWindow(settings));
  user.last_seen = now;
  if (user.rate.Hit(now, settings.flood_lines, settings.flood_seconds * kSecond)) {
    return RateWhy("flood", settings.flood_lines, "lines", settings.flood_seconds);
  }
  if (settings.repeats > 0 && user.repeats.Said(TextFingerprint(text), now, settings.repeats,
                                                settings.repeat_seconds * kSecond)) {
    return "repeat";
  }
  if (settings.highlights > 0 && highlighted >= settings.highlights) return "mass highlight";
  return std::nullopt;
}

std::optional<std::string> ChannelGuard::Cycled(std::string_view nick, SteadyMillis now,
                                                const ChannelSettings& settings) {
  if (settings.cycle_joins <= 0) return std::nullopt;
  UserState& user = StateOf(nick, now, LongestWindow(settings));
  user.last_seen = now;
  if (!user.cycles.Hit(now, settings.cycle_joins, settings.cycle_seconds * kSecond)) {
    return std::nullopt;
  }
  return RateWhy("join/part cycling", settings.cycle_joins, "joins", settings.cycle_seconds);
}

std::optional<std::string> ChannelGuard::Renamed(std::string_view old_nick,
                                                 std::string_view new_nick, SteadyMillis now,
                                                 const ChannelSettings& settings) {
  UserState moved;
  if (const auto found = users_.find(old_nick); found != users_.end()) {
    moved = found->second;
    users_.erase(found);
  }
  UserState& user = StateOf(new_nick, now, LongestWindow(settings));
  user = moved;
  user.last_seen = now;
  if (!user.nicks.Hit(now, settings.nick_flood, settings.nick_seconds * kSecond)) {
    return std::nullopt;
  }
  return RateWhy("nick flood", settings.nick_flood, "changes", settings.nick_seconds);
}

std::optional<std::string> ChannelGuard::CtcpQuery(const ChannelSettings& settings) {
  if (!settings.kick_on_ctcp) return std::nullopt;
  return "CTCP to the channel";
}

GuardStep ChannelGuard::Escalate(std::string_view nick, SteadyMillis now,
                                 const ChannelSettings& settings) {
  UserState& user = StateOf(nick, now, LongestWindow(settings));
  user.last_seen = now;
  return user.escalation.Next(now, settings.escalate_minutes * 60 * kSecond);
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
  if (const auto found = guards_.find(channel); found != guards_.end()) return found->second;
  if (guards_.size() >= kMaxGuardedChannels) guards_.clear();
  return guards_.try_emplace(std::string(channel)).first->second;
}

}  // namespace zelmo
