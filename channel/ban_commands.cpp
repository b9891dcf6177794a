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

// A ban or quiet as the requester wrote it; an empty duration is the
// channel's BanTime, an empty reason names the requester.
struct BanAsked {
  std::string target;
  std::string duration;
  std::string reason;
  bool nick_only = false;
  bool quiet = false;
};

std::string LabelOf(bool quiet) {
  return quiet ? "Quiet" : "Ban";
}

std::string KindOf(bool quiet) {
  return quiet ? "quiet" : "ban";
}

// The mode letter and argument that set or lift the entry; none for a quiet
// on a server without a quiet mode.
std::optional<ListMode> EntryMode(const TIdIRC& irc, const BanEntry& entry) {
  if (!entry.quiet) return ListMode{'b', entry.mask};
  const auto form = irc.Features.QuietMode();
  if (!form) return std::nullopt;
  return ListMode{form->mode, form->prefix + entry.mask};
}

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
  request.reason = asked.reason.empty()
                       ? (asked.quiet ? "Quieted by " : "Banned by ") + requester.Nick()
                       : asked.reason;
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

// Adds the entry to the list; the refusal in words, if any.
std::string Listed(BotContext& bot, BanList& list, const std::string& channel,
                   const BanEntry& entry) {
  if (entry.quiet && !bot.Irc().Features.QuietMode()) return "this server has no quiet mode";
  // One mask is one entry: a ban is not turned into a quiet, nor back.
  if (const BanEntry* listed = list.Find(channel, entry.mask);
      listed != nullptr && listed->quiet != entry.quiet) {
    return entry.mask + " is listed as a " + KindOf(listed->quiet);
  }
  try {
    list.Add(channel, entry);
  } catch (const EBanRefused& error) {
    return error.what();
  }
  return "";
}

void SetBan(BotContext& bot, const BanAsked& asked, const TIdIRCUser& requester,
            const std::string& channel) {
  const std::string& nick = requester.Nick();
  BanList* list = bot.Bans();
  if (list == nullptr) return;
  BanRequest request = ReadBan(bot, asked, requester, channel);
  const UnixSeconds now = bot.UnixNow();
  const UnixSeconds ends = request.seconds == kPermanentBan ? 0 : now + request.seconds;
  const BanEntry entry{request.mask, nick, now, ends, asked.quiet, request.reason};
  if (request.refusal.empty()) request.refusal = Listed(bot, *list, channel, entry);
  const std::string label = LabelOf(asked.quiet);
  if (!request.refusal.empty()) {
    SendReply(bot, nick, label + ": Error - " + request.refusal);
    return;
  }
  bot.BansChanged();
  SendEntryModes(bot, channel, '+', {entry});
  if (asked.nick_only) bot.Irc().Kick(channel, asked.target, request.reason);
  SendReply(bot, nick,
            label + ": " + request.mask + " set on " + channel + " " + ForHowLong(request.seconds) +
                " (" + request.reason + ")");
}

// "!ban <target> [duration] [reason]": a word after the target that begins
// with a digit is the duration.
void RunBan(BotContext& bot, const std::vector<std::string>& parts, const TIdIRCUser& requester,
            const std::string& channel, bool kick, bool quiet = false) {
  const std::string label = LabelOf(quiet);
  if (!CheckParams(bot, parts, 2, requester.Nick(), label)) return;
  if (!CheckRights(bot, channel, 2, requester, label)) return;
  BanAsked asked{parts[1], "", "", kick, quiet};
  std::size_t reason_from = 2;
  if (parts.size() > 2 && !parts[2].empty() && parts[2][0] >= '0' && parts[2][0] <= '9') {
    asked.duration = parts[reason_from++];
  }
  asked.reason = Joined(parts, reason_from);
  SetBan(bot, asked, requester, channel);
}

void Unban(BotContext& bot, const std::string& nick, const std::string& channel,
           const std::string& text, bool quiet = false) {
  BanList* list = bot.Bans();
  if (list == nullptr) return;
  const std::vector<BanEntry>& bans = list->Of(channel);
  std::string mask = text;
  if (const auto number = TryStrToInt(mask);
      number && *number >= 1 && static_cast<std::size_t>(*number) <= bans.size()) {
    mask = bans[*number - 1].mask;
  }
  const BanEntry* ban = list->Find(channel, mask);
  const std::string label = quiet ? "Unquiet" : "Unban";
  if (ban == nullptr || ban->quiet != quiet) {
    SendReply(bot, nick, label + ": Error - no " + KindOf(quiet) + " " + text + " on " + channel);
    return;
  }
  const BanEntry lifted = *ban;
  list->Remove(channel, lifted.mask);
  bot.BansChanged();
  SendEntryModes(bot, channel, '-', {lifted});
  SendReply(bot, nick, label + ": " + lifted.mask + " removed from " + channel);
}

// A span of time for the list; a ban just set is "0s" old.
std::string Span(std::int64_t seconds) {
  return seconds <= 0 ? "0s" : FormatDuration(seconds);
}

std::string BanLine(std::size_t number, const BanEntry& ban, UnixSeconds now) {
  const std::string left = ban.expires_at == 0 ? "permanent" : Span(ban.expires_at - now) + " left";
  return IntToStr(static_cast<int>(number)) + ". " + ban.mask + (ban.quiet ? " (quiet)" : "") +
         " by " + ban.setter + ", " + Span(now - ban.set_at) + " ago, " + left + ": " + ban.reason;
}

}  // namespace

void SendListModes(BotContext& bot, const std::string& channel, char sign,
                   const std::vector<ListMode>& modes) {
  for (std::size_t first = 0; first < modes.size(); first += kBansPerModeLine) {
    const std::size_t count = std::min(kBansPerModeLine, modes.size() - first);
    std::string letters(1, sign);
    std::string arguments;
    for (std::size_t i = first; i < first + count; ++i) {
      letters += modes[i].letter;
      arguments += " " + modes[i].argument;
    }
    SendMode(bot, channel, letters + arguments);
  }
}

void SendBanModes(BotContext& bot, const std::string& channel, char sign,
                  const std::vector<std::string>& masks) {
  std::vector<ListMode> modes;
  for (const std::string& mask : masks) modes.push_back({'b', mask});
  SendListModes(bot, channel, sign, modes);
}

void SendEntryModes(BotContext& bot, const std::string& channel, char sign,
                    const std::vector<BanEntry>& entries) {
  std::vector<ListMode> modes;
  for (const BanEntry& entry : entries) {
    if (auto mode = EntryMode(bot.Irc(), entry)) modes.push_back(std::move(*mode));
  }
  SendListModes(bot, channel, sign, modes);
}

void ChannelBan(BotContext& bot, const std::vector<std::string>& parts, const TIdIRCUser& requester,
                const std::string& channel) {
  RunBan(bot, parts, requester, channel, false);
}

void ChannelKickBan(BotContext& bot, const std::vector<std::string>& parts,
                    const TIdIRCUser& requester, const std::string& channel) {
  RunBan(bot, parts, requester, channel, true);
}

void ChannelQuiet(BotContext& bot, const std::vector<std::string>& parts,
                  const TIdIRCUser& requester, const std::string& channel) {
  RunBan(bot, parts, requester, channel, false, true);
}

void ChannelUnquiet(BotContext& bot, const std::vector<std::string>& parts,
                    const TIdIRCUser& requester, const std::string& channel) {
  if (!CheckParams(bot, parts, 2, requester.Nick(), "Unquiet")) return;
  if (!CheckRights(bot, channel, 2, requester, "Unquiet")) return;
  Unban(bot, requester.Nick(), channel, parts[1], true);
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

namespace {

// The private forms of the ban commands.
enum class Does { kSet, kLift, kList };
struct PrivateForm {
  std::string_view word;
  const char* label;
  Does does;
  bool quiet;
};
constexpr PrivateForm kPrivateForms[] = {
    {"BAN", "Ban", Does::kSet, false},         {"UNBAN", "Unban", Does::kLift, false},
    {"BANS", "Bans", Does::kList, false},      {"QUIET", "Quiet", Does::kSet, true},
    {"UNQUIET", "Unquiet", Does::kLift, true},
};

}  // namespace

std::vector<std::string> BanPrivateWords() {
  std::vector<std::string> words;
  for (const PrivateForm& form : kPrivateForms) words.emplace_back(form.word);
  return words;
}

bool DispatchBanPrivate(BotContext& bot, const std::vector<std::string>& parts,
                        const TIdIRCUser& user) {
  const std::string word = UpperCase(parts.front());
  const auto form = std::ranges::find(kPrivateForms, std::string_view(word), &PrivateForm::word);
  if (form == std::end(kPrivateForms)) return false;
  const std::size_t needed = form->does == Does::kList ? 2 : 3;
  if (!CheckParams(bot, parts, needed, user.Nick(), form->label)) return true;
  const std::string& channel = parts[1];
  if (!CheckRights(bot, channel, kOwnerLevel, user, form->label)) return true;
  const auto part = [&](std::size_t i) { return i < parts.size() ? parts[i] : std::string(); };
  switch (form->does) {
    case Does::kSet:
      SetBan(bot, {parts[2], part(3), part(4), false, form->quiet}, user, channel);
      break;
    case Does::kLift:
      Unban(bot, user.Nick(), channel, parts[2], form->quiet);
      break;
    case Does::kList:
      ListBans(bot, channel, user.Nick(), 0);
      break;
  }
  return true;
}

}  // namespace zelmo
