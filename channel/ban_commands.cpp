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
// The channel level of the private forms: the channel's owner.
constexpr int kOwnerLevel = 4;
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

// A ban as the requester wrote it; an empty duration is the channel's
// BanTime, an empty reason names the requester.
struct BanAsked {
  std::string target;
  std::string duration;
  std::string reason;
  bool nick_only = false;
};

BanRequest ReadBan(BotContext& bot, const BanAsked& asked, const TIdIRCUser& requester,
                   const std::string& channel) {
  BanRequest request;
  const TIdIRCChannel* record = bot.Irc().Channels.Find(channel);
  if (!asked.nick_only && IsMask(asked.target)) {
    request.mask = asked.target;
  } else if (record == nullptr || !record->HasUser(asked.target)) {
    return Refused(asked.target + " is not on " + channel);
  } else {
    request.mask = HostBanMask(HostOf(bot.Irc().Users.Address(asked.target)));
  }
  request.seconds = SettingsOf(bot, channel).ban_time;
  if (!asked.duration.empty()) {
    try {
      request.seconds = ParseDuration(asked.duration);
    } catch (const EConvertError&) {
      return Refused("no such duration: " + asked.duration);
    }
  }
  request.reason = asked.reason.empty() ? "Banned by " + requester.Nick() : asked.reason;
  if (MaskMatches(request.mask, FullAddress(bot.Irc(), bot.Irc().Nick()))) {
    return Refused("that mask matches me");
  }
  if (record == nullptr) return request;
  if (auto higher = HigherMember(bot, *record, request.mask, requester)) {
    return Refused(*higher + " has a higher level than you");
  }
  return request;
}

std::string ForHowLong(BanSeconds seconds) {
  return seconds == kPermanentBan ? "permanently" : "for " + FormatDuration(seconds);
}

void SetBan(BotContext& bot, const BanAsked& asked, const TIdIRCUser& requester,
            const std::string& channel) {
  const std::string& nick = requester.Nick();
  BanList* list = bot.Bans();
  if (list == nullptr) return;
  BanRequest request = ReadBan(bot, asked, requester, channel);
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
  if (asked.nick_only) bot.Irc().Kick(channel, asked.target, request.reason);
  SendReply(bot, nick,
            "Ban: " + request.mask + " set on " + channel + " " + ForHowLong(request.seconds) +
                " (" + request.reason + ")");
}

// "!ban <target> [duration] [reason]": a word after the target that begins
// with a digit is the duration.
void RunBan(BotContext& bot, const std::vector<std::string>& parts, const TIdIRCUser& requester,
            const std::string& channel, bool kick) {
  if (!CheckParams(bot, parts, 2, requester.Nick(), "Ban")) return;
  if (!CheckRights(bot, channel, 2, requester, "Ban")) return;
  BanAsked asked{parts[1], "", "", kick};
  std::size_t reason_from = 2;
  if (parts.size() > 2 && !parts[2].empty() && parts[2][0] >= '0' && parts[2][0] <= '9') {
    asked.duration = parts[reason_from++];
  }
  asked.reason = Joined(parts, reason_from);
  SetBan(bot, asked, requester, channel);
}

void Unban(BotContext& bot, const std::string& nick, const std::string& channel,
           const std::string& text) {
  BanList* list = bot.Bans();
  if (list == nullptr) return;
  const std::vector<BanEntry>& bans = list->Of(channel);
  std::string mask = text;
  if (const auto number = TryStrToInt(mask);
      number && *number >= 1 && static_cast<std::size_t>(*number) <= bans.size()) {
    mask = bans[*number - 1].mask;
  }
  const BanEntry* ban = list->Find(channel, mask);
  if (ban == nullptr) {
    SendReply(bot, nick, "Unban: Error - no ban " + text + " on " + channel);
    return;
  }
  mask = ban->mask;
  list->Remove(channel, mask);
  bot.BansChanged();
  SendBanModes(bot, channel, '-', {mask});
  SendReply(bot, nick, "Unban: " + mask + " removed from " + channel);
}

// A span of time for the list; a ban just set is "0s" old.
std::string Span(std::int64_t seconds) {
  return seconds <= 0 ? "0s" : FormatDuration(seconds);
}

std::string BanLine(std::size_t number, const BanEntry& ban, UnixSeconds now) {
  const std::string left = ban.expires_at == 0 ? "permanent" : Span(ban.expires_at - now) + " left";
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

void ChannelBan(BotContext& bot, const std::vector<std::string>& parts, const TIdIRCUser& requester,
                const std::string& channel) {
  RunBan(bot, parts, requester, channel, false);
}

void ChannelKickBan(BotContext& bot, const std::vector<std::string>& parts,
                    const TIdIRCUser& requester, const std::string& channel) {
  RunBan(bot, parts, requester, channel, true);
}

void ChannelUnban(BotContext& bot, const std::vector<std::string>& parts,
                  const TIdIRCUser& requester, const std::string& channel) {
  if (!CheckParams(bot, parts, 2, requester.Nick(), "Unban")) return;
  if (!CheckRights(bot, channel, 2, requester, "Unban")) return;
  Unban(bot, requester.Nick(), channel, parts[1]);
}

void ChannelBans(BotContext& bot, const std::vector<std::string>& /*parts*/,
                 const TIdIRCUser& requester, const std::string& channel) {
  if (!CheckRights(bot, channel, 2, requester, "Bans")) return;
  ListBans(bot, channel, requester.Nick(), kBanLinesInChannel);
}

void ListBans(BotContext& bot, const std::string& channel, const std::string& nick,
              std::size_t in_channel) {
  const BanList* list = bot.Bans();
  if (list == nullptr) return;
  const std::vector<BanEntry>& bans = list->Of(channel);
  if (bans.empty()) {
    SendReply(bot, in_channel > 0 ? channel : nick, "Bans: " + channel + " has no bans");
    return;
  }
  const UnixSeconds now = bot.UnixNow();
  for (std::size_t i = 0; i < bans.size(); ++i) {
    if (i == in_channel && in_channel > 0) {
      SendReply(
          bot, channel,
          "... and " + IntToStr(static_cast<int>(bans.size() - i)) + " more by private message");
    }
    SendReply(bot, i < in_channel ? channel : nick, BanLine(i + 1, bans[i], now));
  }
}

std::vector<std::string> BanPrivateWords() {
  return {"BAN", "UNBAN", "BANS"};
}

bool DispatchBanPrivate(BotContext& bot, const std::vector<std::string>& parts,
                        const TIdIRCUser& user) {
  const std::string word = UpperCase(parts.front());
  const std::string label = word == "BAN" ? "Ban" : word == "UNBAN" ? "Unban" : "Bans";
  const std::vector<std::string> words = BanPrivateWords();
  if (std::ranges::find(words, word) == words.end()) return false;
  const std::size_t needed = word == "BANS" ? 2 : 3;
  if (!CheckParams(bot, parts, needed, user.Nick(), label)) return true;
  const std::string& channel = parts[1];
  if (!CheckRights(bot, channel, kOwnerLevel, user, label)) return true;
  if (word == "BAN") {
    const auto part = [&](std::size_t i) { return i < parts.size() ? parts[i] : std::string(); };
    SetBan(bot, {parts[2], part(3), part(4), false}, user, channel);
  } else if (word == "UNBAN") {
    Unban(bot, user.Nick(), channel, parts[2]);
  } else {
    ListBans(bot, channel, user.Nick(), 0);
  }
  return true;
}

}  // namespace zelmo
