#include "channel/ban_commands.h"

#include <algorithm>

#include "channel/ban_duration.h"
#include "channel/ban_list.h"
#include "channel/channel_settings.h"
#include "irc/protocol/irc_mask.h"
#include "irc/session/irc_client.h"
#include "shell/base/convert.h"
#include "shell/base/display.h"
#include "users/scriptfunc.h"

namespace zelmo {

namespace {

// Lines of !bans said in the channel; the rest go to the requester alone.
constexpr std::size_t kBanLinesInChannel = 3;
// Ban modes that one MODE line carries, as for the other mode commands.
constexpr std::size_t kBansPerModeLine = 3;

std::string FullAddress(const TIdIRC& irc, const std::string& nick) {
  return nick + "!" + irc.Users.Address(nick);
}

std::string HostOf(const std::string& address) {
  const std::size_t at = address.rfind('@');
  return at == std::string::npos ? address : address.substr(at + 1);
}

std::string Joined(const std::vector<std::string>& parts, std::size_t from) {
  std::string text;
  for (std::size_t i = from; i < parts.size(); ++i) text += (text.empty() ? "" : " ") + parts[i];
  return text;
}

const ChannelSettings& SettingsOf(const BotContext& bot, const std::string& channel) {
  static const ChannelSettings kDefaults;
  const ChannelSettings* settings = bot.ProtectionOf(channel);
  return settings ? *settings : kDefaults;
}

// A ban asked for, or the refusal to answer.
struct BanRequest {
  std::string mask;
  BanSeconds seconds = 0;
  std::string reason;
  std::string refusal;
};

BanRequest Refused(std::string why) {
  BanRequest request;
  request.refusal = std::move(why);
  return request;
}

// The member whose level is above the requester's and whom the mask covers.
std::optional<std::string> HigherMember(BotContext& bot, const TIdIRCChannel& record,
                                        const std::string& mask, const TIdIRCUser& requester) {
  const int own = RightsLevel(bot, record.Name(), requester.Address);
  for (const ChannelMember& member : record.Names()) {
    const std::string address = bot.Irc().Users.Address(member.Nick);
    if (!MaskMatches(mask, member.Nick + "!" + address)) continue;
    if (RightsLevel(bot, record.Name(), address) > own) return member.Nick;
  }
  return std::nullopt;
}

BanRequest ReadBan(BotContext& bot, const std::vector<std::string>& parts,
                   const TIdIRCUser& requester, const TIdIRCChannel& record, bool nick_only) {
  BanRequest request;
  const std::string& target = parts[1];
  if (!nick_only && IsMask(target)) {
    request.mask = target;
  } else if (!record.HasUser(target)) {
    return Refused(target + " is not on " + record.Name());
  } else {
    request.mask = HostBanMask(HostOf(bot.Irc().Users.Address(target)));
  }
  request.seconds = SettingsOf(bot, record.Name()).ban_time;
  std::size_t reason_from = 2;
  if (parts.size() > 2 && !parts[2].empty() && parts[2][0] >= '0' && parts[2][0] <= '9') {
    try {
      request.seconds = ParseDuration(parts[2]);
    } catch (const EConvertError&) {
      return Refused("no such duration: " + parts[2]);
    }
    ++reason_from;
  }
  request.reason = Joined(parts, reason_from);
  if (request.reason.empty()) request.reason = "Banned by " + requester.Nick();
  if (MaskMatches(request.mask, FullAddress(bot.Irc(), bot.Irc().Nick()))) {
    return Refused("that mask matches me");
  }
  if (auto higher = HigherMember(bot, record, request.mask, requester)) {
    return Refused(*higher + " has a higher level than you");
  }
  return request;
}

std::string ForHowLong(BanSeconds seconds) {
  return seconds == kPermanentBan ? "permanently" : "for " + FormatDuration(seconds);
}

void RunBan(BotContext& bot, const std::vector<std::string>& parts, const TIdIRCUser& requester,
            const std::string& channel, bool kick) {
  const std::string& nick = requester.Nick();
  if (!CheckParams(bot, parts, 2, nick, "Ban")) return;
  if (!CheckRights(bot, channel, 2, requester, "Ban")) return;
  BanList* list = bot.Bans();
  const TIdIRCChannel* record = bot.Irc().Channels.Find(channel);
  if (list == nullptr || record == nullptr) return;
  BanRequest request = ReadBan(bot, parts, requester, *record, kick);
  if (request.refusal.empty()) {
    const UnixSeconds now = bot.UnixNow();
    const UnixSeconds ends = request.seconds == kPermanentBan ? 0 : now + request.seconds;
    try {
      list->Add(channel, {request.mask, nick, now, ends, false, request.reason});
    } catch (const EBanRefused& error) {
      request.refusal = error.what();
    }
  }
  if (!request.refusal.empty()) {
    SendReply(bot, nick, "Ban: Error - " + request.refusal);
    return;
  }
  bot.BansChanged();
  SendBanModes(bot, channel, '+', {request.mask});
  if (kick) bot.Irc().Kick(channel, parts[1], request.reason);
  SendReply(bot, nick,
            "Ban: " + request.mask + " set on " + channel + " " + ForHowLong(request.seconds) +
                " (" + request.reason + ")");
}

// A span of time for the list; a ban just set is "0s" old.
std::string Span(std::int64_t seconds) {
  return seconds <= 0 ? "0s" : FormatDuration(seconds);
}

std::string BanLine(std::size_t number, const BanEntry& ban, UnixSeconds now) {
  const std::string left =
      ban.expires_at == 0 ? "permanent" : Span(ban.expires_at - now) + " left";
  return IntToStr(static_cast<int>(number)) + ". " + ban.mask + " by " + ban.setter + ", " +
         Span(now - ban.set_at) + " ago, " + left + ": " + ban.reason;
}

}  // namespace

void SendBanModes(BotContext& bot, const std::string& channel, char sign,
                  const std::vector<std::string>& masks) {
  for (std::size_t first = 0; first < masks.size(); first += kBansPerModeLine) {
    const std::size_t count = std::min(kBansPerModeLine, masks.size() - first);
    std::string modes(1, sign);
    modes.append(count, 'b');
    for (std::size_t i = first; i < first + count; ++i) modes += " " + masks[i];
    SendMode(bot, channel, modes);
  }
}

void ChannelBan(BotContext& bot, const std::vector<std::string>& parts,
                const TIdIRCUser& requester, const std::string& channel) {
  RunBan(bot, parts, requester, channel, false);
}

void ChannelKickBan(BotContext& bot, const std::vector<std::string>& parts,
                    const TIdIRCUser& requester, const std::string& channel) {
  RunBan(bot, parts, requester, channel, true);
}

void ChannelUnban(BotContext& bot, const std::vector<std::string>& parts,
                  const TIdIRCUser& requester, const std::string& channel) {
  const std::string& nick = requester.Nick();
  if (!CheckParams(bot, parts, 2, nick, "Unban")) return;
  if (!CheckRights(bot, channel, 2, requester, "Unban")) return;
  BanList* list = bot.Bans();
  if (list == nullptr) return;
  const std::vector<BanEntry>& bans = list->Of(channel);
  std::string mask = parts[1];
  if (const auto number = TryStrToInt(mask); number && *number >= 1 &&
                                             static_cast<std::size_t>(*number) <= bans.size()) {
    mask = bans[*number - 1].mask;
  }
  const BanEntry* ban = list->Find(channel, mask);
  if (ban == nullptr) {
    SendReply(bot, nick, "Unban: Error - no ban " + parts[1] + " on " + channel);
    return;
  }
  mask = ban->mask;
  list->Remove(channel, mask);
  bot.BansChanged();
  SendBanModes(bot, channel, '-', {mask});
  SendReply(bot, nick, "Unban: " + mask + " removed from " + channel);
}

void ChannelBans(BotContext& bot, const std::vector<std::string>& /*parts*/,
                 const TIdIRCUser& requester, const std::string& channel) {
  const std::string& nick = requester.Nick();
  if (!CheckRights(bot, channel, 2, requester, "Bans")) return;
  const BanList* list = bot.Bans();
  if (list == nullptr) return;
  const std::vector<BanEntry>& bans = list->Of(channel);
  if (bans.empty()) {
    SendReply(bot, channel, "Bans: " + channel + " has no bans");
    return;
  }
  const UnixSeconds now = bot.UnixNow();
  for (std::size_t i = 0; i < bans.size(); ++i) {
    if (i == kBanLinesInChannel) {
      SendReply(bot, channel,
                "... and " + IntToStr(static_cast<int>(bans.size() - i)) +
                    " more by private message");
    }
    SendReply(bot, i < kBanLinesInChannel ? channel : nick, BanLine(i + 1, bans[i], now));
  }
}

}  // namespace zelmo
