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
// nick (trailing ":" or "," dropped, as clients write a highlight).
int HighlightedMembers(const TIdIRCChannel& channel, std::string_view sender,
                       std::string_view text) {
  int count = 0;
  for (std::size_t start = 0; start < text.size();) {
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
  if (!settings.Guarded() || IsChannelOperator(channel, user.Nick()) ||
      IsExempt(settings, RightsLevel(*this, channel.Name(), user.Address), false)) {
    return false;
  }
  const int highlighted =
      settings.highlights > 0 ? HighlightedMembers(channel, user.Nick(), text) : 0;
  const auto action =
      guards_.Of(channel.Name()).Message(user.Nick(), text, highlighted, SteadyNow(), settings);
  if (!action) return false;
  TakeGuardAction(user, channel.Name(), settings, *action);
  return action->step != GuardStep::kWarn;
}

void TMainForm::GuardJoin(const TIdIRCUser& user, const TIdIRCChannel& channel) {
  const ChannelSettings& settings = Protect.For(channel.Name());
  if (settings.join_flood == 0) return;
  const SteadyMillis now = SteadyNow();
  // Back from a netsplit: the servers' meeting, not a flood.
  if (netsplit_.Returned(user.Nick(), now)) return;
  if (guards_.Of(channel.Name()).Joined(now, settings)) {
    locks_.Lock(channel.Name(), settings.lock_minutes, "join flood", now);
  }
}

void TMainForm::TakeGuardAction(const TIdIRCUser& user, const std::string& channel,
                                const ChannelSettings& settings, const GuardAction& action) {
  const std::string& nick = user.Nick();
  if (action.step == GuardStep::kWarn) {
    IRC.Notice(nick, "Please slow down in " + channel + " (" + ShortWhy(action.why) + ")");
    MessageDisplay.DisplayLine("-> " + channel + ": warned " + nick + " (" + action.why + ")");
    return;
  }
  if (action.step == GuardStep::kBan) {
    std::string mask = HostBanMask(user.Address.substr(user.Address.rfind('@') + 1));
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
