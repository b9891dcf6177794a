#include <algorithm>
#include <chrono>

#include "channel/ban_commands.h"
#include "channel/ban_list.h"
#include "irc/protocol/irc_mask.h"
#include "shell/base/convert.h"
#include "shell/mainunit.h"
#include "users/scriptfunc.h"

// The shell's side of the flood and spam defences: which messages are
// counted, and the warning, kick or ban that an offence calls for.

namespace zelmo {

namespace {

// Channel members the text names, each word counted once it is a member's
// nick (trailing ":" or "," dropped, as clients write a highlight). The count
// stops at `needed`, and ends once the words left cannot reach it: ordinary
// chatter costs a few look-ups, not one per word.
int HighlightedMembers(const TIdIRCChannel& channel, std::string_view sender, std::string_view text,
                       int needed) {
  int words_left = static_cast<int>(std::count(text.begin(), text.end(), ' ')) + 1;
  int count = 0;
  for (std::size_t start = 0; start < text.size() && count < needed && count + words_left >= needed;
       --words_left) {
    const std::size_t end = std::min(text.find(' ', start), text.size());
    std::string_view word = text.substr(start, end - start);
    while (!word.empty() && (word.back() == ':' || word.back() == ',')) word.remove_suffix(1);
    if (!word.empty() && !SameText(word, sender) && channel.HasUser(word)) ++count;
    start = end + 1;
  }
  return count;
}

bool IsChannelOperator(const TIdIRCChannel& channel, std::string_view nick) {
  const int member = channel.FindUser(nick);
  return member >= 0 && (channel.Names()[member].Flags & mfOp) != 0;
}

// "flood: 6 lines in 10s" -> "flood".
std::string ShortWhy(const std::string& why) {
  return why.substr(0, why.find(':'));
}

}  // namespace

bool TMainForm::GuardChannel(const TIdIRCUser& user, const TIdIRCChannel& channel,
                             const std::string& text) {
  const ChannelSettings& settings = Protect.For(channel.Name());
  if (!settings.Guarded()) return false;
  const int highlighted = settings.highlights > 0
                              ? HighlightedMembers(channel, user.Nick(), text, settings.highlights)
                              : 0;
  // Whether the user is exempt is looked up only for an offence: the
  // rights lookup per message would cost more than all the counting.
  const auto why =
      guards_.Of(channel.Name()).Offence(user.Nick(), text, highlighted, SteadyNow(), settings);
  if (!why) return false;
  const auto step =
      ActOnOffence({user.Nick(), user.Address, IsChannelOperator(channel, user.Nick())},
                   channel.Name(), settings, *why);
  return step && *step != GuardStep::kWarn;
}

bool TMainForm::GuardJoin(const TIdIRCUser& user, const TIdIRCChannel& channel) {
  const ChannelSettings& settings = Protect.For(channel.Name());
  if (settings.join_flood == 0 && settings.cycle_joins == 0) return false;
  const SteadyMillis now = SteadyNow();
  // Back from a netsplit: the servers' meeting, not a flood.
  if (netsplit_.Returned(user.Nick(), now)) return false;
  ChannelGuard& guard = guards_.Of(channel.Name());
  if (settings.join_flood > 0 && guard.Joined(now, settings)) {
    locks_.Lock(channel.Name(), settings, "join flood", now);
  }
  const auto why = guard.Cycled(user.Nick(), now, settings);
  if (!why) return false;
  const auto step =
      ActOnOffence({user.Nick(), user.Address, IsChannelOperator(channel, user.Nick())},
                   channel.Name(), settings, *why);
  return step && *step != GuardStep::kWarn;
}

void TMainForm::GuardNickChange(const TIdIRCUser& user, const std::string& new_nick) {
  if (!Protect.GuardsAnyone()) return;
  const SteadyMillis now = SteadyNow();
  // The channels' records still list the old nick.
  for (int i = 0; i < IRC.Channels.Count(); ++i) {
    const TIdIRCChannel& channel = *IRC.Channels.Items(i);
    const ChannelSettings& settings = Protect.For(channel.Name());
    if (!settings.GuardsUsers() || !channel.HasUser(user.Nick())) continue;
    const auto why = guards_.Of(channel.Name()).Renamed(user.Nick(), new_nick, now, settings);
    if (why) {
      ActOnOffence({new_nick, user.Address, IsChannelOperator(channel, user.Nick())},
                   channel.Name(), settings, *why);
    }
  }
}

bool TMainForm::GuardCtcp(const TIdIRCUser& user, const TIdIRCChannel& channel) {
  const ChannelSettings& settings = Protect.For(channel.Name());
  const auto why = ChannelGuard::CtcpQuery(settings);
  return why && ActOnOffence({user.Nick(), user.Address, IsChannelOperator(channel, user.Nick())},
                             channel.Name(), settings, *why);
}

std::optional<GuardStep> TMainForm::ActOnOffence(const Offender& offender,
                                                 const std::string& channel,
                                                 const ChannelSettings& settings,
                                                 const std::string& why) {
  if (IsExempt(settings, RightsLevel(*this, channel, offender.address),
               offender.channel_operator)) {
    return std::nullopt;
  }
  const GuardStep step = guards_.Of(channel).Escalate(offender.nick, SteadyNow(), settings);
  TakeGuardAction(offender, channel, settings, {step, why});
  return step;
}

void TMainForm::TakeGuardAction(const Offender& offender, const std::string& channel,
                                const ChannelSettings& settings, const GuardAction& action) {
  const std::string& nick = offender.nick;
  if (action.step == GuardStep::kWarn) {
    IRC.Notice(nick, "Please slow down in " + channel + " (" + ShortWhy(action.why) + ")");
    MessageDisplay.DisplayLine("-> " + channel + ": warned " + nick + " (" + action.why + ")");
    return;
  }
  if (action.step == GuardStep::kBan) {
    std::string mask = HostBanMask(offender.address.substr(offender.address.rfind('@') + 1));
    // A user on the bot's own host is banned by nick.
    if (MaskMatches(mask, IRC.Nick() + "!" + IRC.Users.Address(IRC.Nick()))) mask = nick + "!*@*";
    const UnixSeconds now = UnixNow();
    if (BanList* list = Bans()) {
      try {
        const UnixSeconds ends = settings.ban_time == kPermanentBan ? 0 : now + settings.ban_time;
        list->Add(channel, {mask, IRC.Nick(), now, ends, false, action.why});
        BansChanged();
      } catch (const EBanRefused&) {
        // A full list: the ban is set all the same, without an end.
      }
    }
    SendBanModes(*this, channel, '+', {mask});
    MessageDisplay.DisplayLine("-> " + channel + ": banned " + mask + " for " +
                               FormatDuration(settings.ban_time) + " (" + action.why + ")");
  } else {
    MessageDisplay.DisplayLine("-> " + channel + ": kicked " + nick + " (" + action.why + ")");
  }
  IRC.Kick(channel, nick, action.why);
}

}  // namespace zelmo
